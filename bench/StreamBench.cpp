// The real client (offscreen, real tickers, history on) against a server on loopback that streams data
// replies as fast as the socket takes them: register dumps for the selected analyzer and value records
// for ten devices. Meanwhile a probe thread asks the window's event loop for an answer every 20 ms and
// notes how long each took. Prints the answers' p50/p99/worst, the replies handled, and the history's
// file plus journal per device.
//
//   stream_bench [SECONDS] [LIMIT_MB] [whole]
//     SECONDS   how long the stream runs (default 60)
//     LIMIT_MB  the history's size limit, set in the file before the client opens it (default: none)
//     whole     dispatch each read whole, in one go (no slices): the way to compare against
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "history/HistoryStore.h"
#include "link/TcpLink.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvel;

namespace
{

constexpr int devices = 10;

// The scenario environment's boxes and settings, with timers that run on the clock and the dispatch
// slice chosen.
class StreamEnvironment final : public Environment
{
public:
    StreamEnvironment(QString history, bool whole) : m_history(std::move(history)), m_whole(whole) {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    bool internetAvailable() override { return true; }
    bool fileExists(const QString &) const override { return false; }
    void playSound(const QString &) override {}
    void stopSound() override {}
    QString historyFile() const override { return m_history; }
    std::chrono::nanoseconds dispatchSlice() const override
    {
        return m_whole ? std::chrono::nanoseconds::max() : Environment::dispatchSlice();
    }
    Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) override
    {
        return new Ticker(name, intervalMs, Ticker::Mode::Real, parent);
    }
    void showError(const QString &) override {}
    void showInfo(const QString &) override {}
    bool ask(const QString &) override { return false; }

private:
    QString m_history;
    bool m_whole;
};

QByteArray dump(int n)
{
    QByteArray reply = "enerjial\x01\x01\x01"
                       "1$3$144$";
    for (int i = 0; i < 144; ++i)
        reply += QByteArray::number((i * 7 + n) % 256) + '$';
    return reply + "12$34$\x01";
}

QByteArray records(int device, int n)
{
    QByteArray reply = "cihazenerji\x01" + QByteArray::number(310001 + device) + "\x01G\x01";
    for (int i = 0; i < 43; ++i)
        reply += "$0" + QByteArray::number(i * 1000 + (n + device) % 997).rightJustified(8, '0');
    return reply + "$100002   $000044000\x01\x01\xF4\xF4\xF4";
}

// Accepts one client, waits for its login, answers it, then streams until told to stop.
class StreamServer
{
public:
    StreamServer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
            ::listen(m_listen, 1) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
            std::perror("stream server");
            std::exit(2);
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~StreamServer()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        if (m_client >= 0)
            ::shutdown(m_client, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
        if (m_client >= 0)
            ::close(m_client);
    }
    quint16 port() const { return m_port; }
    qint64 sent() const { return m_replies; }

private:
    void run()
    {
        m_client = ::accept(m_listen, nullptr, nullptr);
        if (m_client < 0)
            return;
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\xF4\xF4\xF4")) {
            const ssize_t n = ::recv(m_client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, n);
        }
        send("cihazlar\x01G\x01VNA310\x01"
             "Analiz\xF6r\x01"
             "12001\x01\xF4\xF4\xF4"
             "haklar\x01"
             "3\x01"
             "0\x01\xF4\xF4\xF4");
        for (int n = 0; !m_stop; ++n) {
            QByteArray burst = dump(n);
            for (int d = 0; d < devices; ++d)
                burst += records(d, n);
            if (!send(burst))
                return;
            m_replies += 1 + devices;
        }
    }
    bool send(const QByteArray &bytes)
    {
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n =
                ::send(m_client, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            at += n;
        }
        return true;
    }

    int m_listen = -1;
    int m_client = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_replies{0};
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

qint64 onDisk(const QString &file)
{
    return QFileInfo(file).size() + QFileInfo(file + QStringLiteral("-wal")).size();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const qint64 limitMb = argc > 2 ? std::atoll(argv[2]) : 0;
    const bool whole = argc > 3 && QByteArray(argv[3]) == "whole";

    QTemporaryDir dir;
    const QString history = dir.filePath(QStringLiteral("history.sqlite"));
    if (limitMb > 0) {
        history::HistoryStore store(history);
        store.setRetention(history::HistoryStore::DefaultRetentionDays, limitMb << 20);
    }
    StreamServer server;
    StreamEnvironment environment(history, whole);
    TcpLink link;
    Client client(environment, link);
    client.start();
    WidgetScreen &screen = client.windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen.setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    screen.setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(server.port()));
    qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("TFrmGiris.suiButton1")))->click();
    // The register dumps are read as the selected analyzer's values.
    client.state().pendingKind = QStringLiteral("anideger");
    client.state().activeDeviceNumber = 12001;

    // The probe: a request to the window every 20 ms, timed until the event loop ran it.
    std::mutex lock;
    std::vector<double> answers;
    std::atomic<bool> probing{true};
    QObject *window = &client.windows().main();
    std::thread probe([&] {
        QElapsedTimer clock;
        clock.start();
        while (probing) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const qint64 asked = clock.nsecsElapsed();
            QMetaObject::invokeMethod(
                window,
                [&, asked] {
                    const std::lock_guard guard(lock);
                    answers.push_back(double(clock.nsecsElapsed() - asked) / 1e6);
                },
                Qt::QueuedConnection);
        }
    });
    qint64 peakPerDevice = 0;
    QTimer sizes;
    QObject::connect(&sizes, &QTimer::timeout, &app,
                     [&] { peakPerDevice = std::max(peakPerDevice, onDisk(history) / (devices + 1)); });
    sizes.start(1000);
    QTimer::singleShot(seconds * 1000, &app, [&] { QCoreApplication::quit(); });
    app.exec();
    probing = false;
    probe.join();
    QCoreApplication::processEvents();
    peakPerDevice = std::max(peakPerDevice, onDisk(history) / (devices + 1));
    const qint64 peakTotal = peakPerDevice * (devices + 1);

    std::vector<double> copy;
    {
        const std::lock_guard guard(lock);
        copy = answers;
    }
    std::printf("%s dispatch, %d s, size limit %s\n", whole ? "whole-read" : "sliced", seconds,
                limitMb > 0 ? qPrintable(QStringLiteral("%1 MB").arg(limitMb)) : "none");
    std::printf("window answers: %zu, p50 %.2f ms, p99 %.2f ms, worst %.2f ms\n", copy.size(),
                percentile(copy, 0.5), percentile(copy, 0.99), percentile(copy, 1.0));
    std::printf("replies sent by the server: %lld\n", static_cast<long long>(server.sent()));
    std::printf("history file + journal: %.2f MB at the end, peak %.2f MB per device (%d devices)\n",
                double(onDisk(history)) / 1e6, double(peakPerDevice) / 1e6, devices + 1);
    Q_UNUSED(peakTotal);
    return 0;
}
