#include "MemorySerialPort.h"

namespace korvel
{

bool MemorySerialPort::open()
{
    m_open = true;
    return true;
}

bool MemorySerialPort::writeByte(char byte)
{
    if (!m_open)
        return false;
    m_sent.append(byte);
    return true;
}

std::optional<QByteArray> MemorySerialPort::read(qint64 maxBytes)
{
    if (!m_open)
        return std::nullopt;
    const QByteArray bytes = m_received.first(std::min(maxBytes, m_received.size()));
    m_received.remove(0, bytes.size());
    return bytes;
}

void MemorySerialPort::deliver(const QByteArray &bytes)
{
    m_received += bytes;
    Q_EMIT readyRead();
}

} // namespace korvel
