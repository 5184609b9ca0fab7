#pragma once

#include "link/Link.h"

class QTcpSocket;

namespace korvel
{

// The TCP link, plain or TLS. The TLS socket (and with it the TLS library) is made only when a secure
// open asks for it, so a client that never uses TLS never loads it.
class TcpLink final : public Link
{
    Q_OBJECT
public:
    explicit TcpLink(QObject *parent = nullptr);

    bool open(const QString &host, quint16 port) override;
    bool isConnected() const override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    QByteArray read(qint64 maxBytes) override;
    qint64 bytesAvailable() const override;
    void abort() override;
    void setSecure(bool secure, const QString &authorityFile) override;
    bool isSecure() const override { return m_secure; }

    // Bytes queued for a server that does not read; past this a write counts as one that would block.
    static constexpr qint64 maxQueuedBytes = 1 << 20;
    // What the socket takes from the system while the client has not read it yet: beyond it the server
    // waits (the system's own flow control), instead of the client's memory growing.
    static constexpr qint64 maxUnreadBytes = 4 << 20;

private:
    void useSocket(QTcpSocket *socket);
    void wireSecureSocket();
    // Ends the handshake in progress; the socket's own notifications of that are not passed on.
    void dropHandshake();
    void failHandshake(const QString &reason);

    QTcpSocket *m_socket = nullptr;
    bool m_secure = false;
    QString m_authorityFile;
    // Within one secure open: the certificate was judged, the handshake finished, the attempt ended.
    bool m_judged = false;
    bool m_encrypted = false;
    bool m_silenced = false;
    // Counts opens, so that a deferred step of one attempt leaves the next alone.
    quint64 m_attempt = 0;
};

} // namespace korvel
