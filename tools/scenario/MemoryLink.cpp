#include "MemoryLink.h"

namespace korvel
{

bool MemoryLink::open(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
    m_connected = false;
    m_opening = true;
    if (!m_hold)
        setConnected();
    return true;
}

void MemoryLink::setConnected()
{
    m_hold = false;
    m_opening = false;
    m_connected = true;
    Q_EMIT connected();
}

void MemoryLink::setDisconnected()
{
    m_connected = false;
    m_opening = false;
    Q_EMIT disconnected();
}

void MemoryLink::raiseError()
{
    m_connected = false;
    m_opening = false;
    Q_EMIT errorOccurred(QStringLiteral("Connection refused"));
}

void MemoryLink::write(const QByteArray &bytes)
{
    if (m_connected)
        m_sent += bytes;
}

QByteArray MemoryLink::readAll()
{
    return std::exchange(m_received, {});
}

void MemoryLink::abort()
{
    m_connected = false;
    m_opening = false;
}

void MemoryLink::deliver(const QByteArray &chunk)
{
    m_received += chunk;
    Q_EMIT readyRead();
}

QByteArray MemoryLink::takeSent()
{
    return std::exchange(m_sent, {});
}

} // namespace korvel
