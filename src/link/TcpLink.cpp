#include "link/TcpLink.h"

#include <QTcpSocket>

namespace korvel
{

TcpLink::TcpLink(QObject *parent) : Link(parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::connected, this, &Link::connected);
    connect(m_socket, &QTcpSocket::disconnected, this, &Link::disconnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &Link::readyRead);
    // A close by the server is no error: the disconnect that follows says it, and the connection tells a
    // refused login from a broken link by it.
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            Q_EMIT errorOccurred(m_socket->errorString());
    });
}

bool TcpLink::open(const QString &host, quint16 port)
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
    m_socket->connectToHost(host, port);
    return m_socket->state() != QAbstractSocket::UnconnectedState;
}

bool TcpLink::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void TcpLink::write(const QByteArray &bytes)
{
    if (!isConnected() || m_socket->bytesToWrite() + bytes.size() > maxQueuedBytes)
        return;
    m_socket->write(bytes);
}

QByteArray TcpLink::readAll()
{
    return m_socket->readAll();
}

void TcpLink::abort()
{
    m_socket->abort();
}

} // namespace korvel
