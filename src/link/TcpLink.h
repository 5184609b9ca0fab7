#pragma once

#include "link/Link.h"

class QTcpSocket;

namespace korvel
{

class TcpLink final : public Link
{
    Q_OBJECT
public:
    explicit TcpLink(QObject *parent = nullptr);

    bool open(const QString &host, quint16 port) override;
    bool isConnected() const override;
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void abort() override;

    // Bytes queued for a server that does not read; past this a write counts as one that would block.
    static constexpr qint64 maxQueuedBytes = 1 << 20;

private:
    QTcpSocket *m_socket;
};

} // namespace korvel
