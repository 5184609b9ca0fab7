#pragma once

#include "tool/SerialPort.h"

namespace korvel
{

// An in-memory serial port: it always opens, the bytes written while it is open are collected, and
// received bytes are handed in by the scenario.
class MemorySerialPort final : public SerialPort
{
    Q_OBJECT
public:
    using SerialPort::SerialPort;

    QString name() const override { return QStringLiteral("COM5"); }
    bool open() override;
    // Like a real port, closing drops what was received and not read.
    void close() override
    {
        m_open = false;
        m_received.clear();
    }
    bool isOpen() const override { return m_open; }
    QString errorString() const override { return {}; }
    bool writeByte(char byte) override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    std::optional<QByteArray> read(qint64 maxBytes) override;

    // One receive notification with these bytes.
    void deliver(const QByteArray &bytes);
    // What was written since the last call.
    QByteArray takeSent() { return std::exchange(m_sent, {}); }

private:
    bool m_open = false;
    QByteArray m_sent;
    QByteArray m_received;
};

} // namespace korvel
