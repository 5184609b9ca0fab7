#include "Request.h"

#include "link/Cp1254.h"

namespace korvel::server
{

Request Request::parse(const QByteArray &bytes)
{
    Request request;
    const QString text = cp1254::decode(bytes);
    const qsizetype firstEnd = text.indexOf(QChar(0x01));
    request.verb = firstEnd < 0 ? text : text.left(firstEnd);
    if (firstEnd < 0)
        return request;
    QString rest = text.mid(firstEnd + 1);
    if (request.verb == u"kulsifre") {
        const qsizetype userEnd = rest.indexOf(QChar(0x01));
        const qsizetype passwordEnd = rest.lastIndexOf(QChar(0x02));
        if (userEnd >= 0 && passwordEnd > userEnd)
            request.fields = {rest.left(userEnd), rest.mid(userEnd + 1, passwordEnd - userEnd - 1)};
        return request;
    }
    request.fields = rest.split(QChar(0x01));
    // Every field ends with 0x01, so the text after the last one is not a field.
    request.fields.removeLast();
    return request;
}

int Request::rawByte(qsizetype index) const
{
    const QByteArray bytes = cp1254::encode(fields.value(index));
    return bytes.size() == 1 ? quint8(bytes[0]) : -1;
}

std::optional<qint64> wholeNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype start = trimmed.startsWith(u'+') || trimmed.startsWith(u'-') ? 1 : 0;
    if (trimmed.size() == start)
        return std::nullopt;
    for (qsizetype i = start; i < trimmed.size(); ++i) {
        if (trimmed[i] < u'0' || trimmed[i] > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 value = trimmed.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace korvel::server
