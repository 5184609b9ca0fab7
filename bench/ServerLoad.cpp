// server_load [CLIENTS] [SECONDS]: starts korvel-server from the same folder, connects CLIENTS clients
// (1000) on loopback, logs each in, then has each alternate "ping" and "enertum" for SECONDS (10).
// Prints replies per second, p50 and p99 latency, errors, lost replies and the server's peak memory.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace
{

struct Client {
    QTcpSocket socket;
    QByteArray buffer;
    bool loggedIn = false;
    bool waiting = false;
    bool askValues = false;
    qint64 sentAt = 0;
};

// Replies end at the terminator, except "enerjial", which ends at the 0x01 after its dump.
qsizetype replyEnd(const QByteArray &buffer)
{
    if (buffer.startsWith("enerjial")) {
        const qsizetype end = buffer.indexOf('\x01', 11);
        return end < 0 ? -1 : end + 1;
    }
    const qsizetype end = buffer.indexOf("\xF4\xF4\xF4");
    return end < 0 ? -1 : end + 3;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

qint64 peakKib(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int clientCount = args.size() > 1 ? args[1].toInt() : 1000;
    const int seconds = args.size() > 2 ? args[2].toInt() : 10;

    const quint16 port = freePort();
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QCoreApplication::applicationDirPath() + QStringLiteral("/korvel-server"),
                 {QStringLiteral("--port"), QString::number(port)});
    if (!server.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start korvel-server\n");
        return 1;
    }
    QTcpSocket probe;
    for (int attempt = 0; attempt < 100; ++attempt) {
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(100))
            break;
        probe.abort();
    }
    probe.abort();

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<Client>> clients;
    std::vector<qint64> latencies;
    latencies.reserve(4'000'000);
    qint64 replies = 0, errors = 0;
    bool running = true;
    QElapsedTimer measured;

    auto sendNext = [&](Client &c) {
        if (!running)
            return;
        c.askValues = !c.askValues;
        c.socket.write(c.askValues ? QByteArrayLiteral("enertum\x01"
                                                       "310001\x01\xF4\xF4\xF4")
                                   : QByteArrayLiteral("ping\xF4\xF4\xF4"));
        c.waiting = true;
        c.sentAt = clock.nsecsElapsed();
    };

    for (int i = 0; i < clientCount; ++i) {
        auto client = std::make_unique<Client>();
        Client *c = client.get();
        c->socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(&c->socket, &QTcpSocket::connected, &app, [c] {
            c->socket.write(QByteArrayLiteral("kulsifre\x01"
                                              "demo\x01"
                                              "demo\x02\xF4\xF4\xF4"));
        });
        QObject::connect(&c->socket, &QTcpSocket::errorOccurred, &app,
                         [&errors](QAbstractSocket::SocketError) { ++errors; });
        QObject::connect(&c->socket, &QTcpSocket::readyRead, &app, [&, c] {
            c->buffer += c->socket.readAll();
            qsizetype end;
            while ((end = replyEnd(c->buffer)) > 0) {
                const QByteArray reply = c->buffer.left(end);
                c->buffer.remove(0, end);
                if (!c->loggedIn) {
                    if (reply.startsWith("tblhaklar")) {
                        c->loggedIn = true;
                        sendNext(*c);
                    }
                    continue;
                }
                const bool expected = c->askValues ? reply.startsWith("enerjial") : reply.startsWith("pong");
                if (!c->waiting || !expected)
                    continue; // an unsolicited notice
                c->waiting = false;
                if (measured.isValid()) {
                    latencies.push_back(clock.nsecsElapsed() - c->sentAt);
                    ++replies;
                }
                sendNext(*c);
            }
        });
        c->socket.connectToHost(QHostAddress::LocalHost, port);
        clients.push_back(std::move(client));
    }

    // One second to connect and log in, the measured time, then a grace period for the last replies.
    QTimer::singleShot(1000, &app, [&] { measured.start(); });
    QTimer::singleShot(1000 + seconds * 1000, &app, [&] {
        running = false;
        QTimer::singleShot(2000, &app, &QCoreApplication::quit);
    });
    app.exec();
    const double elapsed = double(seconds);

    int loggedIn = 0, lost = 0;
    for (const auto &c : clients) {
        loggedIn += c->loggedIn ? 1 : 0;
        lost += c->waiting ? 1 : 0;
    }
    const qint64 peak = peakKib(server.processId());
    server.terminate();
    server.waitForFinished(5000);

    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&latencies](double p) {
        return latencies.empty() ? 0.0 : double(latencies[size_t(p * double(latencies.size() - 1))]) / 1e6;
    };
    std::printf("clients %d, logged in %d, errors %lld, lost replies %d\n", clientCount, loggedIn,
                static_cast<long long>(errors), lost);
    std::printf("replies %lld in %.0f s: %.0f per second; latency p50 %.3f ms, p99 %.3f ms\n",
                static_cast<long long>(replies), elapsed, double(replies) / elapsed, percentile(0.5),
                percentile(0.99));
    std::printf("server peak memory %lld KiB\n", static_cast<long long>(peak));
    return (errors == 0 && lost == 0 && loggedIn == clientCount) ? 0 : 1;
}
