#pragma once

#include <QString>
#include <QStringList>

namespace korvel
{

// Builds the text of a request: the verb, 0x01, every field followed by 0x01, then the terminator
// 0xF4 0xF4 0xF4. "ping" and the login request are the two variants.
namespace MessageFramer
{
inline constexpr QChar fieldEnd = QChar(0x01);
inline constexpr QChar passwordEnd = QChar(0x02);
inline constexpr char16_t terminatorChar = 0x00F4; // "ô" in code page 1254
inline const QString terminator = QString(3, QChar(terminatorChar));

QString request(const QString &verb, const QStringList &fields = {});
QString ping();
QString login(const QString &userName, const QString &password);
// A reply as the server writes it: the tag, the characters the client skips, the fields each ended by
// 0x01, then the terminator.
QString reply(const QString &tag, const QStringList &fields, int skip = 1);
} // namespace MessageFramer

} // namespace korvel
