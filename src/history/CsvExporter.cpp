#include "history/CsvExporter.h"

#include "history/HistoryReader.h"
#include "history/Quantities.h"

#include <QDateTime>
#include <QIODevice>
#include <QSaveFile>
#include <charconv>
#include <cmath>

namespace korvel::history
{

CsvExporter::Format CsvExporter::formatFor(const QLocale &locale)
{
    const bool comma = locale.decimalPoint() == QStringLiteral(",");
    return comma ? Format{u';', u','} : Format{u',', u'.'};
}

QString CsvExporter::field(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString CsvExporter::number(double value, QChar decimalMark)
{
    char buffer[400];
    const float single = float(value);
    const auto result = double(single) == value
                            ? std::to_chars(buffer, buffer + sizeof buffer, single, std::chars_format::fixed)
                            : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (decimalMark != u'.')
        text.replace(u'.', decimalMark);
    return text;
}

QString CsvExporter::time(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(Qt::ISODate);
}

QString CsvExporter::writeTable(QIODevice &out, const QStringList &header,
                                const std::vector<QStringList> &rows, Format format)
{
    const QString separator(format.separator);
    const auto line = [&](const QStringList &cells) {
        QStringList quoted;
        for (const QString &c : cells)
            quoted << field(c, format.separator);
        return quoted.join(separator).toUtf8() + "\r\n";
    };
    QByteArray text("\xEF\xBB\xBF");
    text += line(header);
    for (const QStringList &row : rows)
        text += line(row);
    if (out.write(text) != text.size())
        return out.errorString();
    return QString();
}

QString CsvExporter::writeEvents(QIODevice &out, const std::vector<Event> &events, Format format)
{
    std::vector<QStringList> rows;
    rows.reserve(events.size());
    for (const Event &e : events) {
        rows.push_back({time(e.timeMs), e.device, eventKindName(e.kind), eventText(e), e.ackedBy,
                        e.ackedBy.isEmpty() ? QString() : time(e.ackedAtMs)});
    }
    return writeTable(out,
                      {QStringLiteral("Zaman"), QStringLiteral("Cihaz"), QStringLiteral("Tür"),
                       QStringLiteral("Metin"), QStringLiteral("Onaylayan"), QStringLiteral("Onay zamanı")},
                      rows, format);
}

QString CsvExporter::write(HistoryReader &reader, QIODevice &out, const QString &device, qint64 fromMs,
                           qint64 toMs, Format format, const std::vector<int> &only)
{
    std::vector<int> columns = only;
    if (columns.empty()) {
        for (int i = 0; i < int(quantities().size()); ++i)
            columns.push_back(i);
    }
    const QString separator(format.separator);
    QStringList header{QStringLiteral("Zaman"), QStringLiteral("Cihaz")};
    for (int i : columns)
        header << field(QString::fromUtf8(quantities()[std::size_t(i)].name), format.separator);
    QByteArray text("\xEF\xBB\xBF");
    text += header.join(separator).toUtf8() + "\r\n";
    const QString deviceField = field(device, format.separator);
    QString error;
    const bool ok =
        reader.forEachSample(device, fromMs, toMs, [&](qint64 t, const std::vector<double> &values) {
            QString line = QDateTime::fromMSecsSinceEpoch(t).toString(Qt::ISODate) + separator + deviceField;
            for (int i : columns) {
                const double v = values[std::size_t(i)];
                line += separator;
                if (!std::isnan(v))
                    line += number(v, format.decimalMark);
            }
            text += line.toUtf8() + "\r\n";
            // Written in pieces, so that a long range does not sit in memory whole.
            if (text.size() > (1 << 20) && error.isEmpty()) {
                if (out.write(text) != text.size())
                    error = out.errorString();
                text.clear();
            }
        });
    if (!ok)
        return reader.errorText();
    if (error.isEmpty() && out.write(text) != text.size())
        error = out.errorString();
    return error;
}

QString CsvExporter::save(const QString &path, const std::function<QString(QIODevice &out)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (QString error = write(file); !error.isEmpty())
        return error;
    return file.commit() ? QString() : file.errorString();
}

} // namespace korvel::history
