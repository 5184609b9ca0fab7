#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTcpSocket>

#include <ostream>

// Readable QString values in test failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace korvel::server::test
{

// A client on loopback that writes raw bytes and cuts what arrives into replies: "enerjial" ends at
// the 0x01 after its dump, every other reply at the terminator. Waiting runs the event loop, so a
// server in the same thread keeps working.
class TestClient final
{
public:
    explicit TestClient(quint16 port);

    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QTcpSocket &socket() { return m_socket; }

    void send(const QByteArray &bytes);
    void request(const QString &verb, const QStringList &fields = {});
    void login(const QString &user, const QString &password);

    // The next reply, or an empty array when none is complete within the time.
    QByteArray next(int timeoutMs = 3000);
    // Replies until a "pong" (excluded): everything the server answered to what was sent before a ping.
    QList<QByteArray> untilPong();
    bool waitForDisconnect(int timeoutMs = 3000);

private:
    QByteArray takeReply();

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

// What a reply carries after its tag: the skipped characters removed, fields cut at each 0x01.
QStringList fieldsOf(const QByteArray &reply, int skip = 1);
// The numbers of a register dump text, "1$3$8$...".
QList<int> dumpNumbers(const QByteArray &enerjialReply);
// The client's readings of four dump bytes.
double floatOf(const QList<int> &bytes, int at);
qint32 integerOf(const QList<int> &bytes, int at);

} // namespace korvel::server::test
