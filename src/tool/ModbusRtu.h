#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace korvel::modbus
{

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR.
quint16 crc16(QByteArrayView bytes);
// Appends the CRC of the frame so far, low byte first.
void appendCrc(QByteArray &frame);

// A frame field as typed: the low 8 bits of a whole number (256 gives 0, -1 gives 255); no value when
// the text is not a whole number.
std::optional<quint8> byteField(QStringView text);

// Register read (function 3): address, 0x03, 0x00, start, 0x00, count, CRC. Register addresses and
// counts have no high byte, so only 0..255 can be asked for.
std::optional<QByteArray> readFrame(QStringView address, QStringView start, QStringView count);
// Register write (function 6) to device 1: 0x01, 0x06, 0x00, register, the four data bytes, CRC.
std::optional<QByteArray> writeFrame(QStringView reg, const std::array<QString, 4> &data);

// Longest read reply: address, function, byte count, 255 data bytes, CRC.
inline constexpr qsizetype MaxReadReply = 3 + 255 + 2;

// The data bytes of the read reply from `address` at the start of `bytes`: address, 0x03, byte count n,
// n data bytes and a CRC that checks. The frame's own length decides where it ends; bytes after it
// (line noise, the start of something else) are ignored. No value while the reply is incomplete, or when
// it is anything else.
std::optional<QByteArrayView> readReplyData(QByteArrayView bytes, quint8 address);

// Received bytes as register dump text: each byte as its decimal value followed by "$".
void appendDumpText(QString &text, QByteArrayView bytes);

} // namespace korvel::modbus
