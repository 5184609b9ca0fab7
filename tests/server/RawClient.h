#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

namespace korvel::server::test
{

// A plain loopback socket with deadlines, for clients that misbehave and for servers that run on a
// thread of their own (no Qt event loop needed to wait).
class RawClient final
{
public:
    // receiveWindow > 0 sets a small receive buffer before connecting; source, a loopback address
    // such as "127.0.0.2", is the address the connection comes from.
    explicit RawClient(quint16 port, int receiveWindow = 0, const char *source = nullptr);
    ~RawClient();
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;

    bool connected() const { return m_fd >= 0; }
    // Sends what the socket takes now, without waiting; returns the bytes taken.
    qsizetype sendSome(const QByteArray &bytes);
    bool send(const QByteArray &bytes);
    // Sends no more: the server sees the end of the stream and may still answer.
    void shutdownWrite();
    // Bytes up to and including the first end text, or empty after the time.
    QByteArray readUntil(const QByteArray &end, int timeoutMs = 3000);
    // One whole reply, or empty after the time.
    QByteArray readReply(int timeoutMs = 3000);
    // True when the server closes the connection within the time (bytes before the end are skipped).
    bool closedWithin(int timeoutMs);
    bool login(const char *user, const char *password);
    // Milliseconds from sending a ping to its pong, or -1.
    double pingMs(int timeoutMs = 3000);

private:
    // Bytes up to the length that end finds in the buffer (-1: not yet), or empty after the time.
    QByteArray readWhole(const std::function<qsizetype(const QByteArray &)> &end, int timeoutMs);

    int m_fd = -1;
    QByteArray m_buffer;
};

} // namespace korvel::server::test
