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

std::optional<QByteArray> MemorySerialPort::read()
{
    if (!m_open)
        return std::nullopt;
    return std::exchange(m_received, {});
}

void MemorySerialPort::deliver(const QByteArray &bytes)
{
    m_received += bytes;
    Q_EMIT readyRead();
}

} // namespace korvel
