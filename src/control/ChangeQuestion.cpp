#include "control/ChangeQuestion.h"

namespace korvel::ChangeQuestion
{

namespace
{
QString joined(const QStringList &names)
{
    return names.join(QStringLiteral(", "));
}

QStringList stepLines(const Switching &s)
{
    QStringList in;
    QStringList out;
    for (size_t k = 0; k < s.toSend.size() && k < size_t(s.names.size()); ++k) {
        const bool before = s.lastRead && k < s.lastRead->size() && (*s.lastRead)[k];
        if (s.toSend[k] && (!s.lastRead || !before))
            in << s.names[qsizetype(k)];
        else if (!s.toSend[k] && s.lastRead && before)
            out << s.names[qsizetype(k)];
    }
    QStringList lines;
    if (!s.lastRead) {
        lines << QStringLiteral("İşaretli olmayan her adım devreden çıkacak.");
        lines << (in.isEmpty() ? QStringLiteral("Hiçbir adım devrede olmayacak.")
                               : QStringLiteral("Devrede olacak: ") + joined(in));
        return lines;
    }
    if (!in.isEmpty())
        lines << QStringLiteral("Devreye girecek: ") + joined(in);
    if (!out.isEmpty())
        lines << QStringLiteral("Devreden çıkacak: ") + joined(out);
    if (lines.isEmpty())
        lines << QStringLiteral("Hiçbir adım değişmeyecek.");
    return lines;
}

QStringList relayLines(const Switching &s)
{
    QStringList lines;
    if (!s.lastRead)
        lines << QStringLiteral("İşaretli olmayan her röle bırakılacak.");
    for (size_t k = 0; k < s.toSend.size() && k < size_t(s.names.size()); ++k) {
        const QString &name = s.names[qsizetype(k)];
        if (!s.lastRead) {
            if (s.toSend[k])
                lines << name + QStringLiteral(" çekilecek");
            continue;
        }
        const bool before = k < s.lastRead->size() && (*s.lastRead)[k];
        if (s.toSend[k] != before)
            lines << name + (s.toSend[k] ? QStringLiteral(" çekilecek") : QStringLiteral(" bırakılacak"));
    }
    if (lines.size() == (s.lastRead ? 0 : 1))
        lines << (s.lastRead ? QStringLiteral("Hiçbir röle değişmeyecek.")
                             : QStringLiteral("Hiçbir röle çekilmeyecek."));
    return lines;
}
} // namespace

QStringList changeList(const Switching &switching)
{
    QStringList lines;
    if (!switching.lastRead)
        lines << QStringLiteral("Cihazın şu anki durumu bilinmiyor: seçildiğinden beri cihazdan okunmadı.");
    lines << (switching.outputs == Outputs::Steps ? stepLines(switching) : relayLines(switching));
    return lines;
}

QString forDevice(const QString &serial, const QString &question)
{
    return QStringLiteral("Cihaz: ") + serial.trimmed() + u'\n' + question;
}

QString switchingQuestion(const QString &serial, const Switching &switching)
{
    return forDevice(serial, changeList(switching).join(u'\n') + QStringLiteral("\n\nGönderilsin mi?"));
}

QString settingsQuestion(const QString &serial, const QStringList &changes, const QStringList &doubts)
{
    QStringList parts;
    if (!changes.isEmpty())
        parts << QStringLiteral("Cihazın bildirdiği değerler değişecek:\n") + changes.join(u'\n');
    if (!doubts.isEmpty())
        parts << QStringLiteral("Gönderilecek değerlerden bazıları cihazdan okunmadı ya da izin verilen "
                                "aralığın dışında:\n") +
                     doubts.join(u'\n');
    const QString ask = doubts.isEmpty() ? QStringLiteral("\n\nGönderilsin mi?")
                                         : QStringLiteral("\n\nYine de gönderilsin mi?");
    return forDevice(serial, parts.join(QStringLiteral("\n\n")) + ask);
}

} // namespace korvel::ChangeQuestion
