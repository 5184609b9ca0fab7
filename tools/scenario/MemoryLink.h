#pragma once

#include "link/Link.h"

namespace korvel
{

// An in-memory link: opening connects at once unless held, writes are collected, and received chunks
// are handed in by the scenario.
class MemoryLink final : public Link
{
    Q_OBJECT
public:
    using Link::Link;

    bool open(const QString &host, quint16 port) override;
    bool isConnected() const override { return m_connected; }
    void write(const QByteArray &bytes) override;
    QByteArray readAll() override;
    void abort() override;

    // The next open waits for setConnected().
    void hold() { m_hold = true; }
    void setConnected();
    void setDisconnected();
    void raiseError();
    void deliver(const QByteArray &chunk);
    // What was written since the last call.
    QByteArray takeSent();
    QString lastHost() const { return m_host; }
    quint16 lastPort() const { return m_port; }

private:
    bool m_connected = false;
    bool m_opening = false;
    bool m_hold = false;
    QByteArray m_sent;
    QByteArray m_received;
    QString m_host;
    quint16 m_port = 0;
};

} // namespace korvel
