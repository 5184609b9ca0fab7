// A day of real use, pressed into a minute or two: the real client (offscreen, real timers, a history
// file) against korvel-server run as its own process, through a small proxy that can drop the link. The
// user switches devices, reads the meter, asks for a period report, switches capacitors, reads
// settings; the server is killed and started again twice and the link is dropped once. Then every
// sample and event the client recorded is exported with `korvel --export-csv` and `--export-events` and
// checked against the device it came from: each analyzer's active power lies in the range its own
// simulation can take, meter readouts and reports are the meter's only, devices with no values have
// no samples, and no gap between samples is longer than the outage it spans.
//
//   day_in_the_life [--minutes N]    (default: the short day that CTest runs; 30 for the long one)
//
// Exits 0 when every check holds; prints the figures (time to recover after each outage, samples and
// events per device, the longest gap).

#include "DeviceModel.h"
#include "ServerConfig.h"
#include "app/Client.h"
#include "core/Environment.h"
#include "core/Ticker.h"
#include "history/CsvExporter.h"
#include "link/Connection.h"
#include "link/RequestLedger.h"
#include "link/TcpLink.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"
#include "ui/widgets/GroupBar.h"
#include "values/DeviceValueTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <array>
#include <cstdio>
#include <functional>
#include <map>

using namespace korvel;

namespace
{

// The machine as the client sees it, with real time and real timers, every question answered Yes and
// every box recorded instead of shown; settings live only as long as the run.
class RealTimeEnvironment final : public Environment
{
public:
    explicit RealTimeEnvironment(QString historyFile) : m_historyFile(std::move(historyFile)) {}
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    bool internetAvailable() override { return true; }
    bool fileExists(const QString &name) const override { return QFile::exists(name); }
    void playSound(const QString &) override {}
    void stopSound() override {}
    QString historyFile() const override { return m_historyFile; }
    Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) override
    {
        return new Ticker(name, intervalMs, Ticker::Mode::Real, parent);
    }
    void showError(const QString &text) override { boxes << text; }
    void showInfo(const QString &text) override { boxes << text; }
    bool ask(const QString &text) override
    {
        questions << text;
        return true;
    }
    QStringList boxes;
    QStringList questions;

private:
    QString m_historyFile;
};

// Passes bytes between the client and the server; can drop every link, and stops listening while the
// server is down, so that the client meets a refused connection as it would.
class Proxy final : public QObject
{
public:
    Proxy(quint16 upstream) : m_upstream(upstream)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Proxy::take);
    }
    bool listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return m_server.serverPort(); }
    void stop()
    {
        m_server.close();
        dropAll();
    }
    void dropAll()
    {
        for (const QPointer<QTcpSocket> &s : std::as_const(m_sockets)) {
            if (s)
                s->abort();
        }
        m_sockets.clear();
    }

private:
    void take()
    {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            auto *server = new QTcpSocket(client);
            m_sockets << client << server;
            connect(client, &QTcpSocket::readyRead, server,
                    [client, server] { server->write(client->readAll()); });
            connect(server, &QTcpSocket::readyRead, client,
                    [client, server] { client->write(server->readAll()); });
            connect(server, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
            connect(client, &QTcpSocket::disconnected, client, [client] { client->deleteLater(); });
            connect(server, &QTcpSocket::errorOccurred, client, [client] { client->abort(); });
            server->connectToHost(QHostAddress::LocalHost, m_upstream);
        }
    }

    QTcpServer m_server;
    quint16 m_upstream;
    QList<QPointer<QTcpSocket>> m_sockets;
};

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void runFor(int ms)
{
    waitFor([] { return false; }, ms);
}

int failures = 0;

void check(bool ok, const QString &what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", qPrintable(what));
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

// A CSV file as rows of cells (no quoted separators occur in what is checked here).
QList<QStringList> readCsv(const QString &file)
{
    QFile f(file);
    QList<QStringList> rows;
    if (!f.open(QIODevice::ReadOnly))
        return rows;
    QString text = QString::fromUtf8(f.readAll());
    text.remove(QChar(0xFEFF));
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows << line.split(u',');
    return rows;
}

class Day
{
public:
    Day(const QString &serverProgram, const QString &clientProgram, const QString &folder)
        : m_serverProgram(serverProgram), m_clientProgram(clientProgram), m_folder(folder),
          m_serverPort(freePort()), m_proxy(m_serverPort),
          m_environment(folder + QStringLiteral("/history.sqlite"))
    {
    }

    bool begin()
    {
        if (!startServer() || !m_proxy.listen(0))
            return false;
        m_proxyPort = m_proxy.port();
        m_client = std::make_unique<Client>(m_environment, m_link);
        m_client->start();
        connect(*m_client);
        screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
        screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(m_proxy.port()));
        click(QStringLiteral("TFrmGiris.suiButton1"));
        return waitFor([this] { return itemCount() == 5; }, 10000);
    }

    // Selects a device and waits for its first data.
    bool select(const QString &serial, DataKind first)
    {
        const qint64 since = m_arrivals.size();
        clickItem(serial);
        return waitForArrival(first, serial, since, 10000);
    }

    // A click that expects no answer (a meter reader's item, a command).
    void clickOnly(const QString &name, bool item = false)
    {
        item ? clickItem(name) : click(name);
        runFor(1000);
    }

    bool press(const QString &button, DataKind answer, const QString &serial)
    {
        const qint64 since = m_arrivals.size();
        click(button);
        return waitForArrival(answer, serial, since, 10000);
    }

    // Kills the server, keeps it down for `downMs`, starts it again; returns how long after the start
    // the active device's data came again (-1: never within a minute and a half).
    qint64 outage(int downMs, const QString &activeSerial)
    {
        m_longestWaitS = 0;
        m_server.kill();
        m_server.waitForFinished(5000);
        m_proxy.stop();
        runFor(downMs);
        if (!startServer() || !m_proxy.listen(m_proxyPort))
            return -1;
        return recovery(activeSerial);
    }

    qint64 drop(const QString &activeSerial)
    {
        m_longestWaitS = 0;
        m_proxy.dropAll();
        return recovery(activeSerial);
    }

    void end()
    {
        m_client.reset();
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    QList<QStringList> exported(const QString &option, const QString &serial)
    {
        const QString file = m_folder + QStringLiteral("/%1-%2.csv").arg(option, serial);
        QProcess korvel;
        korvel.start(m_clientProgram, {QStringLiteral("--") + option, file, QStringLiteral("--device"),
                                       serial, QStringLiteral("--history"), m_environment.historyFile()});
        korvel.waitForFinished(30000);
        check(korvel.exitCode() == 0,
              QStringLiteral("--%1 --device %2 exits 0 (%3)")
                  .arg(option, serial, QString::fromLocal8Bit(korvel.readAllStandardError())));
        return readCsv(file);
    }

    const RealTimeEnvironment &environment() const { return m_environment; }

private:
    bool startServer()
    {
        m_serverStarts << QDateTime::currentDateTime();
        m_server.start(m_serverProgram, {QStringLiteral("--port"), QString::number(m_serverPort)});
        if (!m_server.waitForStarted(5000))
            return false;
        // Listening once a connection goes through.
        return waitFor(
            [this] {
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, m_serverPort);
                return probe.waitForConnected(200);
            },
            5000);
    }

    qint64 recovery(const QString &serial)
    {
        QElapsedTimer timer;
        timer.start();
        // First the link must be seen to go, then the data to come again.
        waitFor([this] { return !m_client->connection().isLoginAnswered(); }, 5000);
        const qint64 since = m_arrivals.size();
        if (!waitFor([&] { return hasArrival(serial, since); }, 90000))
            return -1;
        const qint64 back = timer.elapsed();
        // The user waits for the screen to come back whole: every view the restore asks for again has
        // its answer. One pending kind decides how a reply is read, so a click while another kind's
        // reply is on its way would have that reply read as the new device's values.
        waitFor([this] { return !anyAwaited(); }, 20000);
        return back;
    }

    void connect(Client &client)
    {
        QObject::connect(&client.ledger(), &RequestLedger::arrived, &client.ledger(),
                         [this](const Arrival &a) {
                             m_arrivals.push_back({a.kind, a.serial});
                         });
        Connection &c = client.connection();
        QObject::connect(&c, &Connection::linkLost, &c, [this] {
            if (m_down.isEmpty() || m_down.last().second.isValid())
                m_down.push_back({QDateTime::currentDateTime(), QDateTime()});
        });
        QObject::connect(&c, &Connection::loginAnswered, &c, [this] {
            if (!m_down.isEmpty() && !m_down.last().second.isValid())
                m_down.last().second = QDateTime::currentDateTime();
        });
        // The wait before the next attempt, as the status line counts it.
        QObject::connect(&c, &Connection::reconnectScheduled, &c, [this] {
            static const QRegularExpression seconds(QStringLiteral("\\((\\d+) s\\)"));
            const auto match = seconds.match(screen().caption(QStringLiteral("LblMesaj")));
            if (match.hasMatch())
                m_longestWaitS = std::max(m_longestWaitS, match.captured(1).toInt());
        });
    }

public:
    // When the servers that may have sent a value recorded at `t` (cut to the second) started: their
    // simulations count from then. The last one started by then, and the one before, for a value sent
    // just before a restart in the same second.
    QList<QDateTime> serverStartsBefore(const QDateTime &t) const
    {
        QList<QDateTime> starts;
        for (const QDateTime &s : m_serverStarts) {
            if (s <= t.addSecs(1))
                starts << s;
        }
        return starts.mid(std::max<qsizetype>(0, starts.size() - 2));
    }
    // The longest reconnect wait scheduled during the last outage.
    int longestWaitS() const { return m_longestWaitS; }
    // How many seconds of [from, to] the link was down.
    qint64 downSecsWithin(const QDateTime &from, const QDateTime &to) const
    {
        qint64 down = 0;
        for (const auto &[start, end] : m_down) {
            const QDateTime a = std::max(start, from);
            const QDateTime b = std::min(end.isValid() ? end : to, to);
            if (a < b)
                down += a.secsTo(b);
        }
        return down;
    }

private:
    bool anyAwaited() const
    {
        for (int k = 0; k < dataKindCount; ++k) {
            if (m_client->ledger().isAwaited(DataKind(k), QDateTime::currentDateTime()))
                return true;
        }
        return false;
    }

    bool hasArrival(const QString &serial, qint64 since, std::optional<DataKind> kind = {}) const
    {
        for (qint64 i = since; i < qint64(m_arrivals.size()); ++i) {
            const auto &[k, s] = m_arrivals[size_t(i)];
            if (s == serial && (!kind || k == *kind) && k != DataKind::OffLine &&
                k != DataKind::InputNotice && k != DataKind::ValueRecord)
                return true;
        }
        return false;
    }

    bool waitForArrival(DataKind kind, const QString &serial, qint64 since, int ms)
    {
        return waitFor([&] { return hasArrival(serial, since, kind); }, ms);
    }

    WidgetScreen &screen() { return m_client->windows().screen(); }
    GroupBar &bar() { return *m_client->windows().main().groupBar(); }

    void click(const QString &name)
    {
        if (auto *button = qobject_cast<QAbstractButton *>(screen().find(name)))
            button->click();
        else
            check(false, QStringLiteral("no button %1").arg(name));
    }

    int itemCount()
    {
        int n = 0;
        for (int g = 0; g < bar().groupCount(); ++g)
            n += bar().itemCount(g);
        return n;
    }

    void clickItem(const QString &serial)
    {
        for (int g = 0; g < bar().groupCount(); ++g) {
            for (int i = 0; i < bar().itemCount(g); ++i) {
                if (bar().itemCaption(g, i).endsWith(QStringLiteral("No: ") + serial))
                    return Q_EMIT bar().itemClicked(g, i);
            }
        }
        check(false, QStringLiteral("no item of %1").arg(serial));
    }

    QString m_serverProgram;
    QString m_clientProgram;
    QString m_folder;
    quint16 m_serverPort;
    quint16 m_proxyPort = 0;
    QProcess m_server;
    Proxy m_proxy;
    RealTimeEnvironment m_environment;
    TcpLink m_link;
    std::unique_ptr<Client> m_client;
    std::vector<std::pair<DataKind, QString>> m_arrivals;
    QList<std::pair<QDateTime, QDateTime>> m_down;
    int m_longestWaitS = 0;
    QList<QDateTime> m_serverStarts;
};

// How far a phase-1 active power is from what an analyzer's simulation, started at `epoch`, showed
// within a few seconds before `t` (the time it was recorded, to the second).
double distanceFromModel(const QString &serial, const QDateTime &epoch, const QDateTime &t, double p1)
{
    server::DeviceEntry entry;
    entry.type = QStringLiteral("VNA310");
    entry.serial = serial;
    const server::DeviceModel model(entry, epoch.toMSecsSinceEpoch());
    double best = 1e300;
    const qint64 at = t.toMSecsSinceEpoch();
    for (qint64 ms = at - 3000; ms <= at + 1000; ms += 100)
        best = std::min(best, std::abs(model.read(ms).phases[0].activeKw - p1));
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int minutes = 0;
    const QStringList arguments = QApplication::arguments();
    if (const qsizetype i = arguments.indexOf(QStringLiteral("--minutes"));
        i >= 0 && i + 1 < arguments.size())
        minutes = arguments[i + 1].toInt();
    QTemporaryDir folder;
    Day day(QStringLiteral(KORVEL_SERVER_PROGRAM), QStringLiteral(KORVEL_CLIENT_PROGRAM), folder.path());
    if (!day.begin()) {
        std::printf("FAIL the client did not log in to korvel-server\n");
        return 1;
    }
    check(true, QStringLiteral("logged in, five devices"));
    check(day.select(QStringLiteral("310001"), DataKind::Instantaneous),
          QStringLiteral("analyzer 310001 answers"));
    check(day.select(QStringLiteral("420001"), DataKind::Instantaneous),
          QStringLiteral("relay 420001 answers"));
    // The meter reader: a click asks nothing; the reading and the report are the user's.
    day.clickOnly(QStringLiteral("530001"), true);
    check(day.press(QStringLiteral("VrShadowButton11"), DataKind::MeterReadout, QStringLiteral("530001")),
          QStringLiteral("meter 530001 read"));
    check(day.press(QStringLiteral("VrShadowButton12"), DataKind::PeriodReport, QStringLiteral("530001")),
          QStringLiteral("meter 530001 period report"));
    check(day.select(QStringLiteral("310002"), DataKind::Instantaneous),
          QStringLiteral("analyzer 310002 answers"));
    check(day.press(QStringLiteral("BitBtn2"), DataKind::Capacitors, QStringLiteral("310002")),
          QStringLiteral("capacitor states of 310002 read"));
    day.clickOnly(QStringLiteral("BitBtn1"));
    check(!day.environment().questions.isEmpty() &&
              day.environment().questions.last().startsWith(QStringLiteral("Cihaz: 310002\n")),
          QStringLiteral("the capacitor command asked, naming 310002"));

    // Outages: two restarts of the server and a dropped link, then (for the long day) a restart every
    // few minutes, alternating the active analyzer and what it shows.
    const struct {
        int downMs;
        const char *serial;
    } outages[] = {{5000, "310002"}, {12000, "310001"}, {0, "310001"}};
    QElapsedTimer dayTimer;
    dayTimer.start();
    int round = 0;
    for (const auto &o : outages) {
        const QString serial = QString::fromLatin1(o.serial);
        if (serial == QLatin1String("310001") && round == 1) {
            check(day.select(serial, DataKind::Instantaneous), QStringLiteral("analyzer 310001 again"));
            check(day.press(QStringLiteral("sabitoku"), DataKind::Settings, serial),
                  QStringLiteral("settings of 310001 read"));
        }
        const qint64 back = o.downMs > 0 ? day.outage(o.downMs, serial) : day.drop(serial);
        // The next attempt comes within the wait in effect, which grows while no link stays up a
        // minute; then the login and the data.
        check(back >= 0 && back <= (day.longestWaitS() + 5) * 1000LL,
              QStringLiteral("%1: %2's data again %3 ms after the server was back (wait %4 s)")
                  .arg(o.downMs > 0 ? QStringLiteral("server down %1 s").arg(o.downMs / 1000)
                                    : QStringLiteral("link dropped"),
                       serial, QString::number(back), QString::number(day.longestWaitS())));
        ++round;
    }
    const char *const analyzers[] = {"310001", "310002"};
    while (dayTimer.elapsed() < qint64(minutes) * 60000) {
        const QString serial = QString::fromLatin1(analyzers[round % 2]);
        check(day.select(serial, DataKind::Instantaneous), QStringLiteral("%1 answers").arg(serial));
        runFor(120000);
        const int downMs = std::array{10000, 30000, 70000}[size_t(round % 3)];
        const qint64 back = day.outage(downMs, serial);
        check(back >= 0 && back <= (day.longestWaitS() + 5) * 1000LL,
              QStringLiteral("server down %1 s: %2's data again %3 ms after it was back (wait %4 s)")
                  .arg(downMs / 1000)
                  .arg(serial)
                  .arg(back)
                  .arg(day.longestWaitS()));
        ++round;
    }
    // Value records of both analyzers keep coming while the user looks at one.
    runFor(12000);
    day.end();

    // Every sample belongs to its device.
    for (const char *s : analyzers) {
        const QString serial = QString::fromLatin1(s);
        const QList<QStringList> rows = day.exported(QStringLiteral("export-csv"), serial);
        const int p1 = rows.isEmpty() ? -1 : int(rows.first().indexOf(QStringLiteral("P1 (kW)")));
        int foreign = 0;
        int samples = 0;
        qint64 longestGap = 0;
        QDateTime previous;
        for (const QStringList &row : rows.mid(1)) {
            ++samples;
            const QDateTime t = QDateTime::fromString(row.value(0), Qt::ISODate);
            // A gap less the time the link was down within it.
            if (previous.isValid())
                longestGap = std::max(longestGap, previous.secsTo(t) - day.downSecsWithin(previous, t));
            previous = t;
            bool ok = false;
            const double p = row.value(p1).toDouble(&ok);
            if (!ok)
                continue;
            // Closer to its own simulation than to any other analyzer's at that moment.
            double own = 1e300;
            double other = 1e300;
            for (const QDateTime &epoch : day.serverStartsBefore(t)) {
                for (const char *o : analyzers) {
                    const double d = distanceFromModel(QString::fromLatin1(o), epoch, t, p);
                    double &closest = QString::fromLatin1(o) == serial ? own : other;
                    closest = std::min(closest, d);
                }
            }
            if (!(own < 0.3 && own < other)) {
                ++foreign;
                std::printf("     %s: P1 %.3f kW is %.3f from its own simulation, %.3f from another's: %s\n",
                            qPrintable(serial), p, own, other, qPrintable(row.join(u' ')));
            }
        }
        check(samples > 0 && foreign == 0,
              QStringLiteral("%1: %2 samples, %3 not its own by its active power")
                  .arg(serial)
                  .arg(samples)
                  .arg(foreign));
        // Value records every 10 s whenever the link is up; a second either way for the rounding of the
        // times to the second.
        const qint64 allowed = 10 + 3;
        check(longestGap <= allowed, QStringLiteral("%1: longest gap between samples, less the time the link "
                                                    "was down within it, %2 s (allowed %3 s)")
                                         .arg(serial)
                                         .arg(longestGap)
                                         .arg(allowed));
    }
    // The meter reader has no values; the off-line analyzer never answered.
    for (const char *s : {"530001", "310003"}) {
        const QList<QStringList> rows = day.exported(QStringLiteral("export-csv"), QString::fromLatin1(s));
        check(rows.size() == 1,
              QStringLiteral("%1 has no samples (%2 rows)").arg(QString::fromLatin1(s)).arg(rows.size() - 1));
    }
    // The meter's readout and report are the meter's; nobody else has one.
    for (const char *s : {"310001", "310002", "420001", "530001"}) {
        const QString serial = QString::fromLatin1(s);
        const QList<QStringList> rows = day.exported(QStringLiteral("export-events"), serial);
        int meterEvents = 0;
        for (const QStringList &row : rows.mid(1)) {
            if (row.value(2) == QStringLiteral("Sayaç okuma") ||
                row.value(2) == QStringLiteral("Dönem raporu"))
                ++meterEvents;
        }
        const bool meter = serial == QLatin1String("530001");
        check(meter ? meterEvents >= 2 : meterEvents == 0,
              QStringLiteral("%1: %2 meter readouts and reports of %3 events")
                  .arg(serial)
                  .arg(meterEvents)
                  .arg(rows.size() - 1));
    }
    std::printf("%d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
