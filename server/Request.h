#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace korvel::server
{

// The number a text holds when the whole text is one: blanks around it (the client may pad), an
// optional sign and decimal digits, nothing else. Qt's own conversions stop at a NUL and would read
// "1\0\0text" as 1; a field is either a number or refused.
std::optional<qint64> wholeNumber(const QString &text);

// One request as the client framed it: the verb and its fields, text decoded from code page 1254.
struct Request {
    QString verb;
    QStringList fields;

    // From the bytes before the terminator. The login request ends its password with 0x02, not 0x01.
    static Request parse(const QByteArray &bytes);
    // A field that carries one raw byte, or -1 when it is not exactly one byte.
    int rawByte(qsizetype field) const;
    QString field(qsizetype index) const { return fields.value(index); }
    // A field that is a whole decimal number, or nothing: see wholeNumber().
    std::optional<qint64> number(qsizetype index) const { return wholeNumber(field(index)); }
};

} // namespace korvel::server
