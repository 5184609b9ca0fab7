#include "link/MessageFramer.h"

namespace korvel::MessageFramer
{

QString request(const QString &verb, const QStringList &fields)
{
    QString text = verb + fieldEnd;
    for (const QString &field : fields)
        text += field + fieldEnd;
    return text + terminator;
}

QString ping()
{
    return QStringLiteral("ping") + terminator;
}

QString login(const QString &userName, const QString &password)
{
    return QStringLiteral("kulsifre") + fieldEnd + userName + fieldEnd + password + passwordEnd + terminator;
}

QString reply(const QString &tag, const QStringList &fields, int skip)
{
    QString text = tag + QString(skip, fieldEnd);
    for (const QString &field : fields)
        text += field + fieldEnd;
    return text + terminator;
}

} // namespace korvel::MessageFramer
