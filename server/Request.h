#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvel::server
{

// One request as the client framed it: the verb and its fields, text decoded from code page 1254.
struct Request {
    QString verb;
    QStringList fields;

    // From the bytes before the terminator. The login request ends its password with 0x02, not 0x01.
    static Request parse(const QByteArray &bytes);
    // A field that carries one raw byte, or -1 when it is not exactly one byte.
    int rawByte(qsizetype field) const;
    QString field(qsizetype index) const { return fields.value(index); }
};

} // namespace korvel::server
