#include "ScenarioScript.h"

#include "link/Cp1254.h"

namespace korvel
{

namespace
{
int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a quoted string starting after the opening quote; pos ends after the closing quote.
std::optional<QString> readString(const QString &line, qsizetype &pos, QString &error)
{
    QString out;
    while (pos < line.size()) {
        const QChar c = line[pos++];
        if (c == u'"')
            return out;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (pos >= line.size())
            break;
        const QChar e = line[pos++];
        switch (e.unicode()) {
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'\\':
            out += u'\\';
            break;
        case u'"':
            out += u'"';
            break;
        case u'x': {
            const int hi = pos < line.size() ? hexValue(line[pos]) : -1;
            const int lo = pos + 1 < line.size() ? hexValue(line[pos + 1]) : -1;
            if (hi < 0 || lo < 0) {
                error = QStringLiteral("bad \\x escape");
                return std::nullopt;
            }
            out += cp1254::charFor(quint8(hi * 16 + lo));
            pos += 2;
            break;
        }
        default:
            error = QStringLiteral("unknown escape \\") + e;
            return std::nullopt;
        }
    }
    if (error.isEmpty())
        error = QStringLiteral("unterminated string");
    return std::nullopt;
}
} // namespace

std::optional<QString> parseScenario(const QString &file, const QString &text, ScenarioScript &script)
{
    script.file = file;
    const QStringList rawLines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < rawLines.size(); ++n) {
        const QString &line = rawLines[n];
        ScenarioLine parsed;
        parsed.number = int(n + 1);
        QStringList words;
        qsizetype pos = 0;
        while (pos < line.size()) {
            const QChar c = line[pos];
            if (c.isSpace()) {
                ++pos;
                continue;
            }
            // A comment starts the line or is a "#" standing alone; "#RRGGBB" is a colour.
            if (c == u'#' && (words.isEmpty() || pos + 1 >= line.size() || line[pos + 1].isSpace()))
                break;
            if (c == u'"') {
                ++pos;
                QString error;
                auto s = readString(line, pos, error);
                if (!s)
                    return QStringLiteral("%1:%2: %3").arg(file).arg(n + 1).arg(error);
                words << *s;
                parsed.quoted.push_back(true);
                continue;
            }
            const qsizetype start = pos;
            while (pos < line.size() && !line[pos].isSpace() && line[pos] != u'"')
                ++pos;
            words << line.mid(start, pos - start);
            parsed.quoted.push_back(false);
        }
        if (words.isEmpty())
            continue;
        parsed.command = words.takeFirst();
        parsed.quoted.erase(parsed.quoted.begin());
        parsed.args = words;
        script.lines.push_back(std::move(parsed));
    }
    return std::nullopt;
}

QString escapeForDisplay(const QString &text)
{
    QString out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'"')
            out += u'\\' + QString(c);
        else if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0xF4)
            out += QStringLiteral("\\x") + QString::number(quint8(cp1254::encode(QString(c)).at(0)), 16)
                                               .rightJustified(2, u'0')
                                               .toUpper();
        else
            out += c;
    }
    return out;
}

} // namespace korvel
