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
#include "StreamingServer.h"
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
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using namespace korvel;

namespace
{

constexpr int devices = test::StreamingServer::devices;

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
    test::StreamingServer server;
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
