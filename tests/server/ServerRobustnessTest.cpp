#include "ServerFixture.h"

#include <QTest>

#include <random>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace korvel::server;
using namespace korvel::server::test;

namespace
{

// A session's worth of requests, as a client sends them; one field is the raw byte 0.
const char recordingBytes[] = "kulsifre\x01"
                              "demo\x01"
                              "demo\x02\xF4\xF4\xF4"
                              "enertum\x01"
                              "310001\x01\xF4\xF4\xF4"
                              "sabitiste\x01"
                              "310001\x01\xF4\xF4\xF4"
                              "roleaktif\x01 420001\x01\x00\x01\xF4\xF4\xF4"
                              "yenimesajiste\x01"
                              "demo\x01\xF4\xF4\xF4"
                              "reaktifener\x01"
                              "310001\x01"
                              "7.03.2025\x01"
                              "14.03.2025\x01\xF4\xF4\xF4";
const QByteArray recording(recordingBytes, sizeof recordingBytes - 1);

QList<QByteArray> repliesTo(TestClient &client)
{
    return client.untilPong();
}

} // namespace

class ServerRobustness : public ServerFixture
{
protected:
    void restart(ServerOptions changed)
    {
        server.reset();
        options = changed;
        ServerConfig config = ServerConfig::demo();
        config.pace = {0, 0, 0};
        server = std::make_unique<KorvelServer>(config, clock, log, options);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0));
    }
};

TEST_F(ServerRobustness, TheRecordingSplitAtEveryByteGetsTheSameReplies)
{
    ASSERT_EQ(recording.count("\xF4\xF4\xF4"), 6);
    TestClient whole(server->port());
    whole.send(recording);
    const QList<QByteArray> expected = repliesTo(whole);
    ASSERT_EQ(expected.size(), 5 + 2 + 2 + 3 + 1) << "devices, rights, two dumps, messages, report";

    for (qsizetype cut = 1; cut < recording.size(); ++cut) {
        TestClient client(server->port());
        client.send(recording.left(cut));
        client.socket().flush();
        QTest::qWait(1);
        client.send(recording.mid(cut));
        ASSERT_EQ(repliesTo(client), expected) << "cut at " << cut;
    }

    TestClient bytewise(server->port());
    for (char byte : recording) {
        bytewise.send(QByteArray(1, byte));
        bytewise.socket().flush();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(repliesTo(bytewise), expected);
}

TEST_F(ServerRobustness, GarbageAndSeparatorStormsAreIgnored)
{
    std::mt19937 random(1254);
    TestClient client(server->port());
    for (int block = 0; block < 50; ++block) {
        QByteArray garbage(2000, Qt::Uninitialized);
        for (char &c : garbage)
            c = char(random() % 256);
        garbage += "\xF4\xF4\xF4";
        client.send(garbage);
    }
    client.send(QByteArray(4000, '\x01') + "\xF4\xF4\xF4");
    client.login(QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_EQ(repliesTo(client).size(), 7) << "still served after the garbage";
    // Logged in: storms of separators and requests without fields.
    client.send(QByteArray(4000, '\x01') + "\xF4\xF4\xF4" + "enertum\xF4\xF4\xF4" +
                "sabitiste\x01\xF4\xF4\xF4" + "enertum" + QByteArray(1000, '\x01') + "\xF4\xF4\xF4" +
                "roleaktif\x01"
                "420001\x01\xF4\xF4\xF4" +
                "kondansatorcek\x01"
                "310001\x01\xF4\xF4\xF4" +
                "\xF4\xF4\xF4\xF4\xF4\xF4");
    for (const QByteArray &reply : repliesTo(client))
        EXPECT_TRUE(reply.startsWith("Hattayok")) << reply.left(30).toStdString();
    EXPECT_TRUE(client.connected());
    const qsizetype refusals = lines.filter(QStringLiteral(" refused: ")).size();
    EXPECT_LE(refusals, options.loggedRefusalsPerConnection) << "a flood does not flood the log";
}

TEST_F(ServerRobustness, ALineWithoutTerminatorClosesOnlyThatConnection)
{
    auto other = loggedIn();
    TestClient flood(server->port());
    flood.send(QByteArray(10 * 1024 * 1024, 'a'));
    EXPECT_TRUE(flood.waitForDisconnect(10000));
    // Before a login, counted in the address's summary.
    EXPECT_TRUE(QTest::qWaitFor([this] { return logged(QStringLiteral("1 request too long")); }, 3000));
    other->send(QByteArray("ping\xF4\xF4\xF4"));
    EXPECT_EQ(other->next(), QByteArray("pong\x01\xF4\xF4\xF4"));
}

TEST_F(ServerRobustness, AClientThatLeavesMidReplyIsForgotten)
{
    auto other = loggedIn();
    {
        auto leaving = loggedIn();
        for (int i = 0; i < 200; ++i)
            leaving->request(QStringLiteral("harmonikbir"), {QStringLiteral("310001")});
        leaving->socket().flush();
        QTest::qWait(5);
        leaving->socket().abort();
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return server->sessionCount() == 1; }, 5000));
    other->send(QByteArray("ping\xF4\xF4\xF4"));
    EXPECT_EQ(other->next(), QByteArray("pong\x01\xF4\xF4\xF4"));
}

TEST_F(ServerRobustness, AClientThatNeverReadsIsDroppedWithoutStallingOthers)
{
    ServerOptions small;
    small.replyBacklog = 256 * 1024;
    small.noticeBacklog = 16 * 1024;
    small.writeStallMs = 1000;
    small.maxRequestsPerSecond = 0;
    restart(small);
    auto reader = loggedIn();

    // A plain socket with a tiny receive window that is never read.
    const int sleeper = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(sleeper, 0);
    const int window = 4096;
    ::setsockopt(sleeper, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(server->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(sleeper, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::fcntl(sleeper, F_SETFL, ::fcntl(sleeper, F_GETFL) | O_NONBLOCK);
    QByteArray requests("kulsifre\x01"
                        "demo\x01"
                        "demo\x02\xF4\xF4\xF4");
    for (int i = 0; i < 40000; ++i)
        requests += "enertum\x01"
                    "310001\x01\xF4\xF4\xF4";

    qsizetype sent = 0;
    int pongs = 0;
    const bool dropped = QTest::qWaitFor(
        [&] {
            if (sent < requests.size()) {
                const ssize_t n = ::send(sleeper, requests.constData() + sent, size_t(requests.size() - sent),
                                         MSG_NOSIGNAL);
                sent += n > 0 ? n : 0;
            }
            server->sendValueNotices();
            reader->send(QByteArray("ping\xF4\xF4\xF4"));
            while (true) {
                const QByteArray reply = reader->next(50);
                if (reply.isEmpty() || reply.startsWith("pong"))
                    break;
            }
            ++pongs;
            return server->sessionCount() == 1;
        },
        20000);
    ::close(sleeper);
    EXPECT_TRUE(dropped);
    EXPECT_GT(pongs, 0);
    EXPECT_TRUE(logged(QStringLiteral("client stopped reading")));
    reader->send(QByteArray("ping\xF4\xF4\xF4"));
    EXPECT_EQ(reader->next(), QByteArray("pong\x01\xF4\xF4\xF4"));
}

TEST_F(ServerRobustness, HoldsAThousandConnections)
{
    constexpr int count = 1000;
    ServerOptions many;
    many.maxConnectionsPerAddress = count;
    restart(many);
    std::vector<std::unique_ptr<TestClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<TestClient>(server->port()));
        ASSERT_TRUE(clients.back()->connected()) << "client " << i;
        clients.back()->login(QStringLiteral("demo"), QStringLiteral("demo"));
        clients.back()->send(QByteArray("ping\xF4\xF4\xF4"));
    }
    EXPECT_TRUE(QTest::qWaitFor([this] { return server->sessionCount() == count; }, 10000));
    int answered = 0;
    for (auto &client : clients) {
        QList<QByteArray> replies;
        for (int i = 0; i < 8; ++i)
            replies.append(client->next(5000));
        answered += replies.size() == 8 && replies[7] == QByteArray("pong\x01\xF4\xF4\xF4") ? 1 : 0;
    }
    EXPECT_EQ(answered, count);
    clients.clear();
    EXPECT_TRUE(QTest::qWaitFor([this] { return server->sessionCount() == 0; }, 10000));
}
