#include "tool/ModbusRtu.h"

#include "core/NumberText.h"

namespace korvel::modbus
{

quint16 crc16(QByteArrayView bytes)
{
    quint16 crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

void appendCrc(QByteArray &frame)
{
    const quint16 crc = crc16(frame);
    frame.append(char(crc & 0xFF));
    frame.append(char(crc >> 8));
}

std::optional<quint8> byteField(QStringView text)
{
    const std::optional<qint32> value = parseInt32(text);
    if (!value)
        return std::nullopt;
    return quint8(quint32(*value) & 0xFF);
}

std::optional<QByteArray> readFrame(QStringView address, QStringView start, QStringView count)
{
    const auto a = byteField(address);
    const auto s = byteField(start);
    const auto n = byteField(count);
    if (!a || !s || !n)
        return std::nullopt;
    QByteArray frame;
    frame.reserve(8);
    for (const quint8 b : {*a, quint8(0x03), quint8(0), *s, quint8(0), *n})
        frame.append(char(b));
    appendCrc(frame);
    return frame;
}

std::optional<QByteArray> writeFrame(QStringView reg, const std::array<QString, 4> &data)
{
    const auto r = byteField(reg);
    if (!r)
        return std::nullopt;
    QByteArray frame;
    frame.reserve(10);
    for (const quint8 b : {quint8(0x01), quint8(0x06), quint8(0), *r})
        frame.append(char(b));
    for (const QString &text : data) {
        const auto b = byteField(text);
        if (!b)
            return std::nullopt;
        frame.append(char(*b));
    }
    appendCrc(frame);
    return frame;
}

std::optional<QByteArrayView> readReplyData(QByteArrayView bytes, quint8 address)
{
    if (bytes.size() < 5 || quint8(bytes[0]) != address || quint8(bytes[1]) != 0x03)
        return std::nullopt;
    const qsizetype count = quint8(bytes[2]);
    if (bytes.size() < 3 + count + 2)
        return std::nullopt;
    const quint16 crc = crc16(bytes.first(3 + count));
    if (quint8(bytes[3 + count]) != (crc & 0xFF) || quint8(bytes[4 + count]) != (crc >> 8))
        return std::nullopt;
    return bytes.sliced(3, count);
}

void appendDumpText(QString &text, QByteArrayView bytes)
{
    for (const char c : bytes) {
        text.append(QString::number(quint8(c)));
        text.append(u'$');
    }
}

} // namespace korvel::modbus
