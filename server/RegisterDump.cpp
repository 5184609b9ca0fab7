#include "RegisterDump.h"

#include <bit>
#include <cmath>

namespace korvel::server
{

namespace
{

quint16 crc16Modbus(const QList<quint8> &frame)
{
    quint16 crc = 0xFFFF;
    for (quint8 byte : frame) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

} // namespace

void RegisterDump::addFloat(double value)
{
    const float f = std::isfinite(value) ? float(value) : 0.0f;
    const quint32 bits = std::bit_cast<quint32>(f);
    for (int k = 3; k >= 0; --k)
        m_bytes.append({quint8(bits >> (8 * k)), quint8(k)});
}

void RegisterDump::addInteger(quint32 value)
{
    for (int k = 0; k < 4; ++k)
        m_bytes.append({quint8(value >> (8 * k)), quint8(k)});
}

void RegisterDump::addWord(const std::array<quint8, 4> &bytes, bool mostSignificantFirst)
{
    for (int k = 0; k < 4; ++k)
        m_bytes.append({bytes[size_t(k)], quint8(mostSignificantFirst ? 3 - k : k)});
}

void RegisterDump::addSample(int sample)
{
    m_bytes.append({quint8(qint8(qBound(-128, sample, 127))), 0});
}

QByteArray RegisterDump::bytes() const
{
    QByteArray out;
    out.reserve(m_bytes.size());
    for (const Byte &b : m_bytes)
        out.append(char(b.value));
    return out;
}

QByteArray RegisterDump::text(quint8 address) const
{
    // The client turns "$199$239" into "$3" before it reads a dump, which would shift every later byte.
    // A byte of such a pair is moved by one in its least significant place; 200 and 240 can start no
    // new pair, so one pass is enough. The CRC is computed afterwards, over what is really sent.
    QList<quint8> data;
    data.reserve(m_bytes.size());
    for (const Byte &b : m_bytes)
        data.append(b.value);
    for (qsizetype i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 199 && data[i + 1] == 239) {
            const qsizetype alter = m_bytes[i].rank < m_bytes[i + 1].rank ? i : i + 1;
            ++data[alter];
        }
    }

    QList<quint8> frame{address, 3, quint8(data.size())};
    frame.append(data);
    // Should the CRC start the pair, the last data byte gives way; the loop is bounded because the CRC
    // changes with it.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const quint16 crc = crc16Modbus(frame);
        if (!(frame.last() == 199 && quint8(crc) == 239) || data.isEmpty())
            break;
        ++frame.last();
    }
    const quint16 crc = crc16Modbus(frame);
    frame.append(quint8(crc));
    frame.append(quint8(crc >> 8));

    QByteArray out;
    out.reserve(frame.size() * 4);
    for (quint8 byte : frame) {
        out += QByteArray::number(byte);
        out += '$';
    }
    return out;
}

} // namespace korvel::server
