#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace korvel
{

// The wire's code page 1254 text. Every one of the 256 bytes maps to one character and back, so that
// N bytes on the wire are N characters in the code and control bytes (0x01, 0x02, 0xF4) survive.
namespace cp1254
{
QString decode(QByteArrayView bytes);
// Decodes into a buffer that is kept from read to read, so that a large read costs no fresh memory.
void decodeInto(QByteArrayView bytes, QString &text);
QByteArray encode(QStringView text);
// The character that stands for one byte.
QChar charFor(quint8 byte);
} // namespace cp1254

} // namespace korvel
