#include "TestClient.h"

#include "link/Cp1254.h"
#include "link/MessageFramer.h"

#include <QTest>

#include <bit>

namespace korvel::server::test
{

TestClient::TestClient(quint16 port)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    [[maybe_unused]] const bool up = QTest::qWaitFor([this] { return connected(); }, 3000);
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

void TestClient::send(const QByteArray &bytes)
{
    m_socket.write(bytes);
}

void TestClient::request(const QString &verb, const QStringList &fields)
{
    send(cp1254::encode(MessageFramer::request(verb, fields)));
}

void TestClient::login(const QString &user, const QString &password)
{
    send(cp1254::encode(MessageFramer::login(user, password)));
}

QByteArray TestClient::takeReply()
{
    qsizetype end = -1;
    if (m_buffer.startsWith("enerjial")) {
        const qsizetype fieldEnd = m_buffer.indexOf('\x01', 11);
        end = fieldEnd < 0 ? -1 : fieldEnd + 1;
    } else {
        const qsizetype at = m_buffer.indexOf("\xF4\xF4\xF4");
        end = at < 0 ? -1 : at + 3;
    }
    if (end < 0)
        return {};
    const QByteArray reply = m_buffer.left(end);
    m_buffer.remove(0, end);
    return reply;
}

QByteArray TestClient::next(int timeoutMs)
{
    QByteArray reply = takeReply();
    if (!reply.isEmpty())
        return reply;
    [[maybe_unused]] const bool complete = QTest::qWaitFor(
        [&] {
            m_buffer += m_socket.readAll();
            reply = takeReply();
            return !reply.isEmpty();
        },
        timeoutMs);
    return reply;
}

QList<QByteArray> TestClient::untilPong()
{
    send(QByteArrayLiteral("ping\xF4\xF4\xF4"));
    QList<QByteArray> replies;
    for (int i = 0; i < 100; ++i) {
        const QByteArray reply = next();
        if (reply.isEmpty() || reply.startsWith("pong"))
            break;
        replies.append(reply);
    }
    return replies;
}

bool TestClient::waitForDisconnect(int timeoutMs)
{
    return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; },
                           timeoutMs);
}

QStringList fieldsOf(const QByteArray &reply, int skip)
{
    QString text = cp1254::decode(reply);
    qsizetype tagEnd = 0;
    while (tagEnd < text.size() && text[tagEnd].isLetter())
        ++tagEnd;
    text = text.mid(tagEnd + skip);
    QStringList fields = text.split(QChar(0x01));
    fields.removeLast(); // the terminator, or nothing
    return fields;
}

QList<int> dumpNumbers(const QByteArray &reply)
{
    QList<int> numbers;
    const QByteArray dump = reply.mid(11, reply.indexOf('\x01', 11) - 11);
    for (const QByteArray &part : dump.split('$')) {
        if (!part.isEmpty())
            numbers.append(part.toInt());
    }
    return numbers;
}

double floatOf(const QList<int> &b, int at)
{
    const quint32 bits =
        (quint32(b[at]) << 24) | (quint32(b[at + 1]) << 16) | (quint32(b[at + 2]) << 8) | quint32(b[at + 3]);
    return double(std::bit_cast<float>(bits));
}

qint32 integerOf(const QList<int> &b, int at)
{
    return qint32(quint32(b[at]) | (quint32(b[at + 1]) << 8) | (quint32(b[at + 2]) << 16) |
                  (quint32(b[at + 3]) << 24));
}

} // namespace korvel::server::test
