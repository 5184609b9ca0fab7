// Hostile clients against a server on a thread of its own (a process of its own for descriptor
// exhaustion), as a real one runs: half requests, idle and excess connections, descriptor exhaustion,
// password guessing beside the real user, request storms, half-closes, noise before login and the log
// it makes, thousands of connections reaching the login deadline together, control bytes for the log,
// clients that never read, and requests that reach past the user's rights.
#include "Clock.h"
#include "KorvelServer.h"
#include "PasswordHash.h"
#include "RawClient.h"
#include "ServerConfig.h"
#include "ServerFixture.h"
#include "ServerLog.h"
#include "SharedLog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <deque>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace korvel::server;
using namespace korvel::server::test;

namespace
{

long residentKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Another process's processor time, user and system.
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command's name, which may hold spaces: state is the first, utime the 12th.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i) {
        if (i >= 12)
            ticks += std::stod(field);
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

int openDescriptors(pid_t pid)
{
    int n = 0;
    if (DIR *dir = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n - 2; // "." and ".."
}

QByteArray request(const char *verb, std::initializer_list<const char *> fields)
{
    QByteArray bytes(verb);
    bytes += '\x01';
    for (const char *f : fields)
        bytes += QByteArray(f) + '\x01';
    return bytes + "\xF4\xF4\xF4";
}

UserAccount account(const char *name, std::array<int, 2> view, std::array<int, 6> commands)
{
    UserAccount user;
    user.name = QString::fromLatin1(name);
    user.password = user.name;
    user.viewRights = view;
    user.commandRights = commands;
    user.seesAllDevices = true;
    return user;
}

// A logged-in user that pings 40 times a second on a thread of its own while a test goes on.
class PingingBystander final
{
public:
    explicit PingingBystander(quint16 port) : m_client(port, 0, "127.0.0.9")
    {
        m_loggedIn = m_client.login("izleyici", "izleyici");
        m_thread = std::thread([this] {
            while (!m_stop) {
                const double ms = m_client.pingMs();
                {
                    std::lock_guard lock(m_mutex);
                    m_pings.push_back(ms);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
        });
    }
    ~PingingBystander() { stop(); }
    bool loggedIn() const { return m_loggedIn; }
    // Counts only the pings from now on.
    void restart()
    {
        std::lock_guard lock(m_mutex);
        m_pings.clear();
    }
    // Stops and gives the 99th percentile in milliseconds; a ping never answered counts as endless.
    double p99()
    {
        stop();
        std::vector<double> pings = m_pings;
        for (double &ms : pings)
            ms = ms < 0 ? 1e9 : ms;
        std::sort(pings.begin(), pings.end());
        return pings.empty() ? 1e9 : pings[size_t(double(pings.size() - 1) * 0.99)];
    }
    size_t count() const { return m_pings.size(); }

private:
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    RawClient m_client;
    bool m_loggedIn = false;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<double> m_pings;
    std::thread m_thread;
};

QByteArray loginBytes(const char *user, const QByteArray &password)
{
    return QByteArray("kulsifre\x01") + user + '\x01' + password + "\x02\xF4\xF4\xF4";
}

} // namespace

class HostileClients : public ::testing::Test
{
protected:
    void start(ServerOptions options, const QString &demoPassword = {})
    {
        ServerConfig config = ServerConfig::demo();
        config.pace = {0, 0, 0};
        // With a password, "demo" has it as an Argon2id hash: every login then costs a real check.
        if (!demoPassword.isEmpty()) {
            config.users[0].password.clear();
            config.users[0].passwordHash = PasswordHash::make(demoPassword);
        }
        // Capacitor steps but not the relay panel; every command but no view.
        config.users.append(account("kond", {3, 0}, {0, 0, 0, 1, 0, 0}));
        config.users.append(account("blind", {0, 0}, {255, 255, 255, 255, 255, 255}));
        m_options = options;
        server = std::make_unique<KorvelServer>(config, clock, log, m_options);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0));
        server->runOnOwnThread();
    }

    void TearDown() override
    {
        server.reset();
        if (HasFailure())
            std::printf("server log:\n%s\n", qPrintable(logLines().join(u'\n')));
    }

    QStringList logLines() const { return m_log.lines(); }

    qsizetype logged(const QString &part) { return logLines().filter(part).size(); }

    // The sum of the counts in the summary lines of what came before a login: "N <what>".
    int countedBeforeLogin(const QString &what)
    {
        int sum = 0;
        const QRegularExpression count(QStringLiteral("(\\d+) ") + QRegularExpression::escape(what));
        for (const QString &line : logLines().filter(QStringLiteral("before login from"))) {
            for (auto it = count.globalMatch(line); it.hasNext();)
                sum += it.next().captured(1).toInt();
        }
        return sum;
    }

    static bool waitFor(const std::function<bool()> &condition, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    ManualClock clock{QDateTime(QDate(2025, 3, 14), QTime(12, 0), QTimeZone::utc())};
    SharedLog m_log;
    ServerLog &log = m_log.log;
    ServerOptions m_options;
    std::unique_ptr<KorvelServer> server;
};

TEST_F(HostileClients, HalfRequestsCostLittleLeaveAtTheLoginDeadlineAndGiveTheMemoryBack)
{
    ServerOptions options;
    options.loginDeadlineMs = 1500;
    options.maxConnectionsPerAddress = 1000;
    options.summaryIntervalMs = 200;
    start(options);
    constexpr int count = 300;
    const long before = residentKib();
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<RawClient>(server->port()));
        ASSERT_TRUE(clients.back()->send(QByteArray("kulsifre\x01") + QByteArray(3000, 'a')));
    }
    ASSERT_TRUE(waitFor([&] { return server->sessionCount() == count; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long held = residentKib();
    int closed = 0;
    for (auto &client : clients)
        closed += client->closedWithin(3000) ? 1 : 0;
    EXPECT_EQ(closed, count) << "closed at the login deadline";
    EXPECT_TRUE(waitFor([&] { return server->sessionCount() == 0; }, 3000));
    clients.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200)); // their memory is freed
    const long after = residentKib();
    std::printf("%d half requests: +%ld KiB held, +%ld KiB after they left\n", count, held - before,
                after - before);
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer's allocator keeps freed memory in quarantine and never trims it: the resident
    // size says nothing about the server's own buffers there.
    EXPECT_LT(held - before, count * 24) << "KiB while held";
    EXPECT_LT(after - before, 4096) << "KiB after they left";
#endif
    EXPECT_TRUE(
        waitFor([&] { return countedBeforeLogin(QStringLiteral("no login within 1.5 s")) == count; }, 2000))
        << "counted in the summary, " << countedBeforeLogin(QStringLiteral("no login within 1.5 s"));

    // Past the unterminated-request limit the connection ends at once.
    RawClient longer(server->port());
    longer.send(QByteArray(int(options.maxRequestBytes) + 100, 'a'));
    EXPECT_TRUE(longer.closedWithin(1000));
}

TEST_F(HostileClients, IdleLoggedInConnectionsAreClosedActiveOnesStay)
{
    ServerOptions options;
    options.idleTimeoutMs = 600;
    start(options);
    RawClient idle(server->port());
    RawClient active(server->port());
    ASSERT_TRUE(idle.login("demo", "demo"));
    ASSERT_TRUE(active.login("demo", "demo"));
    for (int i = 0; i < 8; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_GT(active.pingMs(), 0) << "ping " << i;
    }
    EXPECT_TRUE(idle.closedWithin(2000));
    EXPECT_EQ(logged(QStringLiteral("no request for 0.6 s")), 1);
}

TEST_F(HostileClients, ConnectionsPastTheCapsAreTurnedAway)
{
    struct Case {
        int total;
        int perAddress;
        int connecting;
        int turnedAway;
    };
    for (const Case c : {Case{1000, 20, 30, 10}, Case{25, 1000, 30, 5}}) {
        server.reset();
        ServerOptions options;
        options.maxConnections = c.total;
        options.maxConnectionsPerAddress = c.perAddress;
        options.summaryIntervalMs = 100;
        start(options);
        std::vector<std::unique_ptr<RawClient>> clients;
        for (int i = 0; i < c.connecting; ++i)
            clients.push_back(std::make_unique<RawClient>(server->port()));
        int closed = 0;
        for (auto &client : clients)
            closed += client->closedWithin(100) ? 1 : 0;
        EXPECT_EQ(closed, c.turnedAway) << c.total << " " << c.perAddress;
        EXPECT_TRUE(waitFor([&] { return logged(QStringLiteral("connections turned away")) > 0; }, 2000));
        clients.clear();
        // The places are free again.
        EXPECT_TRUE(waitFor([&] { return server->sessionCount() == 0; }, 2000));
        RawClient later(server->port());
        EXPECT_TRUE(later.login("demo", "demo"));
    }
}

// The server runs as a process of its own, whose descriptor limit is lowered while it runs: only its
// own connections use its descriptors up, as in production, and the test's clients use none of them.
TEST_F(HostileClients, OutOfDescriptorsThePauseIsQuietAndServingGoesOn)
{
    ensureServerTestApplication();
    QTemporaryDir dir;
    const QString auditPath = dir.filePath(QStringLiteral("audit.log"));
    const QString logPath = dir.filePath(QStringLiteral("server.log"));
    const QString configPath = dir.filePath(QStringLiteral("korvel.json"));
    QFile config(configPath);
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"({"auditLog": "%1", "limits": {"connectionsPerAddress": 1000},
        "pace": {"values": 0, "inputs": 0, "messages": 0},
        "groups": [{"name": "G", "devices": [{"type": "VNA310", "name": "A", "serial": "7"}]}],
        "users": [{"name": "demo", "password": "demo", "haklar": [3, 1], "tblhaklar": [1, 3, 7, 3, 255, 7],
                   "devices": "*"}]})")
                     .arg(auditPath)
                     .toUtf8());
    config.close();
    const quint16 port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    QProcess process;
    process.setStandardErrorFile(logPath);
    process.start(QStringLiteral(KORVEL_SERVER_BIN),
                  {QStringLiteral("--port"), QString::number(port), QStringLiteral("--config"), configPath});
    ASSERT_TRUE(process.waitForStarted());
    const pid_t pid = pid_t(process.processId());
    // The log is written in blocks, at least once a second.
    const auto inLog = [&](const QString &part) {
        QFile file(logPath);
        return file.open(QIODevice::ReadOnly) ? int(QString::fromUtf8(file.readAll()).count(part)) : 0;
    };
    std::unique_ptr<RawClient> bystander;
    ASSERT_TRUE(waitFor(
        [&] {
            bystander = std::make_unique<RawClient>(port);
            return bystander->connected() && bystander->login("demo", "demo");
        },
        10'000));

    rlimit saved{};
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, nullptr, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = rlim_t(openDescriptors(pid) + 40);
    ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &low, nullptr), 0);
    // More than the descriptors left: the rest wait in the backlog, one shed per pause.
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int i = 0; i < 80; ++i)
        clients.push_back(std::make_unique<RawClient>(port));
    const bool exhausted = waitFor([&] { return inLog(QStringLiteral("out of descriptors")) > 0; }, 3000);
    // While the descriptors stay used up the server waits, it does not spin.
    const double cpuBefore = cpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const double cpu = cpuSeconds(pid) - cpuBefore;
    const double ping = bystander->pingMs();
    // Meanwhile the rest of the server still gets descriptors: the audit log is reopened after it
    // was moved aside.
    ASSERT_TRUE(QFile::rename(auditPath, auditPath + QStringLiteral(".1")));
    ::kill(pid, SIGHUP);
    const bool reopened = waitFor([&] { return inLog(QStringLiteral("SIGHUP:")) > 0; }, 3000);
    clients.clear();
    prlimit(pid, RLIMIT_NOFILE, &saved, nullptr);

    EXPECT_TRUE(exhausted);
    std::printf("out of descriptors: %.3f s of processor in 1 s, bystander ping %.2f ms\n", cpu, ping);
    EXPECT_LT(cpu, 0.3);
    EXPECT_GT(ping, 0) << "the connections held are still served";
    EXPECT_TRUE(reopened);
    EXPECT_EQ(inLog(QStringLiteral("SIGHUP: audit log")), 1) << "reopened while accepting was paused";
    EXPECT_TRUE(QFile::exists(auditPath));
    EXPECT_EQ(inLog(QStringLiteral("out of descriptors")), 1) << "once per interval";
    RawClient later(port);
    EXPECT_TRUE(later.login("demo", "demo")) << "accepting again once descriptors are free";
    process.terminate();
    EXPECT_TRUE(process.waitForFinished(10'000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    if (HasFailure()) {
        QFile file(logPath);
        if (file.open(QIODevice::ReadOnly))
            std::printf("server log:\n%s\n", file.readAll().constData());
    }
}

TEST_F(HostileClients, PasswordGuessesAreSlowedDownAndSummarized)
{
    ServerOptions options;
    options.loginBackoffMs = 100;
    options.loginBackoffCeilingMs = 800;
    options.refusedLoginDelayMs = 50;
    options.summaryIntervalMs = 500;
    start(options);
    std::vector<std::thread> guessers;
    QElapsedTimer timer;
    timer.start();
    for (int t = 0; t < 8; ++t) {
        guessers.emplace_back([&, t] {
            int i = 0;
            while (timer.elapsed() < 2000) {
                RawClient client(server->port());
                client.send(QByteArray("kulsifre\x01"
                                       "demo\x01guess") +
                            QByteArray::number(t * 1000 + i++) + "\x02\xF4\xF4\xF4");
                client.closedWithin(5000);
            }
        });
    }
    for (auto &g : guessers)
        g.join();
    const double seconds = double(timer.elapsed()) / 1000.0;
    const qint64 checked = server->passwordChecks();
    std::printf("%lld wrong passwords checked in %.1f s from 8 connections at a time\n", qlonglong(checked),
                seconds);
    // Five free, then 0.1, 0.2, 0.4, 0.8, 0.8, ... s apart, one at a time; unthrottled, hundreds a second.
    EXPECT_LE(checked, 5 + 3 + int(seconds / 0.8) + 1);
    RawClient right(server->port());
    EXPECT_TRUE(right.login("demo", "demo")) << "the right password still gets in";
    EXPECT_TRUE(waitFor([&] { return logged(QStringLiteral("logins refused")) > 0; }, 2000));
    EXPECT_EQ(logged(QStringLiteral("login refused")), 0) << "no line per attempt";
    EXPECT_LE(logLines().filter(QStringLiteral("logins refused")).size(), int(seconds / 0.5) + 2);
}

TEST_F(HostileClients, StormsOfEmptyRequestsEndTheConnection)
{
    ServerOptions options;
    options.summaryIntervalMs = 100;
    start(options);
    for (const bool loggedIn : {false, true}) {
        RawClient storm(server->port());
        if (loggedIn) {
            ASSERT_TRUE(storm.login("demo", "demo"));
        }
        QByteArray terminators;
        for (int i = 0; i < 5000; ++i)
            terminators += "\xF4\xF4\xF4";
        storm.send(terminators);
        EXPECT_TRUE(storm.closedWithin(2000)) << "logged in " << loggedIn;
    }
    // The logged-in user's connection has its line; the other is counted with its address.
    EXPECT_EQ(
        logLines().filter(QStringLiteral("user demo: ")).filter(QStringLiteral("too many requests")).size(),
        1);
    EXPECT_TRUE(waitFor([&] { return countedBeforeLogin(QStringLiteral("too many requests")) == 1; }, 2000));
}

TEST_F(HostileClients, ControlBytesFromTheNetworkAreEscapedInTheLog)
{
    ServerOptions options;
    options.summaryIntervalMs = 100;
    start(options);
    RawClient client(server->port());
    client.send(QByteArray("ab\ncd\x1b[31m\xF4\xF4\xF4"));
    client.send(QByteArray("kulsifre\x01"
                           "evil\nforged line\x1b]0;x\x07\x01pw\x02\xF4\xF4\xF4"));
    EXPECT_TRUE(client.closedWithin(3000));
    ASSERT_TRUE(waitFor([&] { return logged(QStringLiteral("logins refused")) > 0; }, 2000));
    for (const QString &line : logLines()) {
        for (QChar c : line)
            EXPECT_TRUE(c.isPrint()) << "character " << int(c.unicode()) << " in " << line.toStdString();
    }
    ASSERT_TRUE(waitFor([&] { return logged(QStringLiteral("before login from")) > 0; }, 2000));
    EXPECT_EQ(logged(QStringLiteral("the first \"ab\\x0Acd\\x1B[31m\"")), 1);
    EXPECT_EQ(logged(QStringLiteral("evil\\x0Aforged line\\x1B]0;x\\x07")), 1);
}

TEST_F(HostileClients, ClientsThatNeverReadDoNotDelayTheOthers)
{
    ServerOptions options;
    options.maxConnectionsPerAddress = 1000;
    options.maxRequestsPerSecond = 0; // the turn-taking alone is under test
    start(options);
    RawClient bystander(server->port());
    ASSERT_TRUE(bystander.login("demo", "demo"));

    QByteArray heavy;
    for (int i = 0; i < 40; ++i)
        heavy += request("harmonikbir", {"310001"}) + request("sayac", {"530001", "tdsEvt", "kythyr"}) +
                 request("reaktifener", {"310001", "1.03.2025", "14.03.2025"}) +
                 request("enertum", {"310001"});
    constexpr int count = 200;
    std::vector<std::unique_ptr<RawClient>> sleepers;
    for (int i = 0; i < count; ++i) {
        sleepers.push_back(std::make_unique<RawClient>(server->port(), 4096));
        sleepers.back()->send(QByteArray("kulsifre\x01"
                                         "demo\x01"
                                         "demo\x02\xF4\xF4\xF4"));
    }
    std::vector<double> pings;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3000) {
        for (auto &s : sleepers)
            s->sendSome(heavy);
        pings.push_back(bystander.pingMs());
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    ASSERT_FALSE(pings.empty());
    EXPECT_EQ(std::count(pings.begin(), pings.end(), -1.0), 0) << "the bystander always got its pong";
    std::sort(pings.begin(), pings.end());
    const double p50 = pings[pings.size() / 2];
    const double p99 = pings[size_t(double(pings.size() - 1) * 0.99)];
    std::printf("%d clients that never read: bystander ping p50 %.2f ms, p99 %.2f ms over %zu pings\n", count,
                p50, p99, pings.size());
    // The goal is 10 ms on an idle machine; the bound leaves room for a loaded test machine (and the
    // sanitizers' threefold cost), not for the seconds a starved loop takes.
#ifdef __SANITIZE_ADDRESS__
    EXPECT_LT(p99, 300.0);
#else
    EXPECT_LT(p99, 100.0);
#endif
}

TEST_F(HostileClients, RightsAreCheckedOnTheValuesTheCommandUses)
{
    start({});
    RawClient kond(server->port());
    ASSERT_TRUE(kond.login("kond", "kond"));
    // The relay panel's form of the capacitor command, in every spelling the number parser reads.
    for (const char *relayPanel : {"255", " 255", "0255", "+255", "-1"}) {
        const qsizetype before = logged(QStringLiteral("needs right 1 of field 1"));
        kond.send(request("kondansatorcek", {"310001", relayPanel, relayPanel, relayPanel, "5"}));
        ASSERT_GT(kond.pingMs(), 0);
        EXPECT_EQ(logged(QStringLiteral("needs right 1 of field 1")), before + 1)
            << "\"" << relayPanel << "\"";
    }
    const qsizetype refusals = logged(QStringLiteral("refused"));
    kond.send(request("kondansatorcek", {"310001", "1", "0", "2", "255"}));
    ASSERT_GT(kond.pingMs(), 0);
    EXPECT_EQ(logged(QStringLiteral("refused")), refusals) << "capacitor steps are this user's right";
}

TEST_F(HostileClients, ViewRightsGovernTheValuesOfTheirViews)
{
    start({});
    struct Case {
        const char *user;
        QByteArray request;
        bool answered;
    };
    const Case cases[] = {
        {"blind", request("enertum", {"310001"}), false},
        {"blind", request("cosfi", {"310001"}), false},
        {"blind",
         QByteArray("rolektifg\x01"
                    "310001\x01\x03\x01\xF4\xF4\xF4"),
         false},
        {"blind", request("enertum", {"420001"}), true}, // the relay's view is not governed
        {"blind", request("harmonikbir", {"310001"}), true},
        {"kond", request("enertum", {"310001"}), true},
        {"izleyici", request("cosfi", {"310002"}), true},
    };
    for (const Case &c : cases) {
        RawClient client(server->port());
        ASSERT_TRUE(client.login(c.user, c.user));
        client.send(c.request);
        client.send(QByteArray("ping\xF4\xF4\xF4"));
        const QByteArray replies = client.readUntil("pong\x01\xF4\xF4\xF4");
        ASSERT_FALSE(replies.isEmpty());
        EXPECT_EQ(replies.size() > 8, c.answered) << c.user << " " << c.request.left(20).toStdString();
    }
    EXPECT_EQ(logged(QStringLiteral("needs view right")), 3);
}

TEST_F(HostileClients, GuessersAreSlowedNotTheRealUser)
{
    // The default schedule (5 free failures, then 1 s doubling to 30 s) at a tenth of the time.
    ServerOptions options;
    options.loginBackoffMs = 100;
    options.loginBackoffCeilingMs = 800;
    options.refusedLoginDelayMs = 50;
    start(options);
    constexpr int attackMs = 3000;
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> guessers;
    for (int t = 0; t < 20; ++t) {
        guessers.emplace_back([&, t] {
            for (int i = 0; timer.elapsed() < attackMs; ++i) {
                // A held guess is given up when the attack ends: its connection closes unanswered.
                RawClient client(server->port(), 0, "127.0.0.2");
                client.send(QByteArray("kulsifre\x01"
                                       "demo\x01guess") +
                            QByteArray::number(t * 1000 + i) + "\x02\xF4\xF4\xF4");
                client.closedWithin(int(std::max<qint64>(1, attackMs - timer.elapsed())));
            }
        });
    }
    // The real user, from another address, logs in as the guessed name during the attack.
    std::vector<double> userMs;
    while (timer.elapsed() < attackMs - 500) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        QElapsedTimer login;
        login.start();
        RawClient user(server->port(), 0, "127.0.0.3");
        userMs.push_back(user.login("demo", "demo") ? double(login.elapsed()) : -1.0);
    }
    for (auto &g : guessers)
        g.join();
    const qint64 guessesChecked = server->passwordChecks() - qint64(userMs.size());
    QElapsedTimer after;
    after.start();
    RawClient sameAddress(server->port(), 0, "127.0.0.2");
    const bool answeredAfter = sameAddress.login("demo", "demo");
    const qint64 afterMs = after.elapsed();

    std::printf("%lld guesses checked in %d ms; the user's logins took", qlonglong(guessesChecked), attackMs);
    for (double ms : userMs)
        std::printf(" %.0f", ms);
    std::printf(" ms; from the guesser's address %lld ms after the attack\n", qlonglong(afterMs));
    for (double ms : userMs) {
        EXPECT_GE(ms, 0) << "answered";
        EXPECT_LT(ms, 1000) << "not held for someone else's guesses";
    }
    // Twenty connections at a time, but after the first five one check a back-off apart: 0.1, 0.2,
    // 0.4, 0.8, 0.8 ... s, five or six more in the attack.
    EXPECT_GE(guessesChecked, 5);
    EXPECT_LE(guessesChecked, 5 + 6);
    // Sent in the last back-off period or so, the guess last checked leaves a wait of at most the
    // ceiling; the guesses given up count for nothing.
    EXPECT_TRUE(answeredAfter);
    EXPECT_LT(afterMs, 2 * options.loginBackoffCeilingMs + 500);
}

TEST_F(HostileClients, AHalfCloseStillGetsEveryReply)
{
    start({});
    QByteArray pings;
    for (int i = 0; i < 20; ++i)
        pings += "ping\xF4\xF4\xF4";
    int whole = 0;
    for (int trial = 0; trial < 20; ++trial) {
        RawClient client(server->port());
        ASSERT_TRUE(client.login("demo", "demo"));
        client.send(pings);
        client.shutdownWrite();
        int pongs = 0;
        while (pongs < 20 && !client.readUntil("pong\x01\xF4\xF4\xF4", 2000).isEmpty())
            ++pongs;
        EXPECT_TRUE(client.closedWithin(2000)) << "closed once the replies are out";
        whole += pongs == 20 ? 1 : 0;
    }
    EXPECT_EQ(whole, 20) << "trials with all 20 pongs";
}

TEST_F(HostileClients, NoiseBeforeLoginMakesASummaryNotALog)
{
    ServerOptions options;
    // Each knock closes at once, but a busy server may not have seen the close before the next
    // connects: no limit on open connections is under test here.
    options.maxConnectionsPerAddress = 100'000;
    start(options); // the summary once a minute: here at the end
    for (int i = 0; i < 5000; ++i)
        RawClient knock(server->port());
    std::vector<std::unique_ptr<RawClient>> floods;
    QByteArray empty;
    for (int i = 0; i < 1000; ++i)
        empty += "\xF4\xF4\xF4";
    for (int i = 0; i < 10; ++i) {
        floods.push_back(std::make_unique<RawClient>(server->port()));
        floods.back()->send(empty);
    }
    for (auto &flood : floods)
        EXPECT_TRUE(flood->closedWithin(3000));
    {
        RawClient user(server->port());
        ASSERT_TRUE(user.login("demo", "demo"));
    }
    EXPECT_TRUE(waitFor([&] { return server->sessionCount() == 0; }, 5000));
    server.reset();
    qsizetype bytes = 0;
    for (const QString &line : logLines())
        bytes += line.toUtf8().size() + 30; // and the time in front
    std::printf("5,000 knocks and 10 floods of 1,000 empty requests: %zu lines, %lld bytes of log\n",
                size_t(logLines().size()), qlonglong(bytes));
    EXPECT_LT(bytes, 64 * 1024);
    EXPECT_EQ(countedBeforeLogin(QStringLiteral("connections ended")), 5010);
    EXPECT_EQ(countedBeforeLogin(QStringLiteral("too many requests")), 10);
    EXPECT_EQ(countedBeforeLogin(QStringLiteral("request before login")), 10 * 200);
    EXPECT_EQ(logLines().filter(QStringLiteral("user demo: ")).size(), 1) << "a user keeps the line";
}

TEST_F(HostileClients, ThousandsReachingTheLoginDeadlineTogetherDoNotStallTheLoop)
{
    ServerOptions options;
    options.loginDeadlineMs = 2000;
    options.maxConnectionsPerAddress = 100'000;
    options.maxRequestsPerSecond = 0; // the bystander pings every millisecond
    start(options);
    RawClient bystander(server->port(), 0, "127.0.0.9");
    ASSERT_TRUE(bystander.login("demo", "demo"));
    constexpr int count = 3000;
    // A ping on a fixed schedule, each timed from when it was due: a stall delays every ping due
    // during it, not only the one that was waiting.
    auto round = [&]() -> double {
        std::vector<std::unique_ptr<RawClient>> waiting;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            waiting.push_back(std::make_unique<RawClient>(server->port()));
            EXPECT_TRUE(waiting.back()->connected());
        }
        EXPECT_TRUE(waitFor([&] { return server->sessionCount() == count + 1; }, 5000));
        if (timer.elapsed() > options.loginDeadlineMs - 500)
            return -1; // not all connected well before the deadline: no measure
        auto ms = [&] { return double(timer.nsecsElapsed()) / 1e6; };
        std::deque<double> due;
        std::vector<double> delays;
        double next = ms();
        double end = 1e18;
        while (ms() < end && ms() < 15'000) {
            for (const double now = ms(); next <= now; next += 1.0) {
                bystander.sendSome(QByteArray("ping\xF4\xF4\xF4"));
                due.push_back(next);
            }
            if (!bystander.readUntil("pong\x01\xF4\xF4\xF4", 1).isEmpty() && !due.empty()) {
                delays.push_back(ms() - due.front());
                due.pop_front();
            }
            if (end > 1e17 && server->sessionCount() == 1)
                end = ms() + 300;
        }
        EXPECT_EQ(server->sessionCount(), 1) << "every waiting connection closed";
        EXPECT_GT(delays.size(), 1000u);
        if (delays.empty())
            return -1;
        std::sort(delays.begin(), delays.end());
        const double p999 = delays[size_t(double(delays.size() - 1) * 0.999)];
        std::printf("%d connections closed at the login deadline: bystander p99.9 %.2f ms, max %.2f ms over "
                    "%zu pings\n",
                    count, p999, delays.back(), delays.size());
        return p999;
    };
    // A stall of the loop shows in every round; a busy test machine now and then delays one, so the
    // best of up to three counts.
    double best = 1e9;
    for (int i = 0; i < 3 && !(best < 20.0) && !HasFailure(); ++i) {
        if (const double p999 = round(); p999 >= 0)
            best = std::min(best, p999);
    }
    EXPECT_LT(best, 20.0);
}

// A flood of wrong passwords from many addresses at once: each address gets its share of the checks
// and no more, the queue is bounded, and a correct login from a quiet address goes before the flood.
// The bystander's pings are timed once the flood is sent, when the server's work is all there is; a
// busy test machine now and then delays one, so the best of up to three rounds counts.
TEST_F(HostileClients, AFloodFromManyAddressesLeavesACorrectLoginItsAnswerWithinSeconds)
{
    ServerOptions options;
    options.refusedLoginDelayMs = 50;
    start(options, QStringLiteral("dogru-parola"));
    constexpr int addresses = 200;
    auto round = [&](int r) {
        PingingBystander bystander(server->port());
        EXPECT_TRUE(bystander.loggedIn());
        std::vector<std::unique_ptr<RawClient>> flood;
        for (int a = 0; a < addresses; ++a) {
            const std::string source = "127.0." + std::to_string(10 + r) + "." + std::to_string(a + 1);
            for (int i = 0; i < 5; ++i) {
                flood.push_back(std::make_unique<RawClient>(server->port(), 0, source.c_str()));
                EXPECT_TRUE(flood.back()->send(loginBytes("demo", "guess" + QByteArray::number(i))));
            }
        }
        bystander.restart();
        QElapsedTimer timer;
        timer.start();
        const std::string userAddress = "127.0.20." + std::to_string(r + 1);
        RawClient user(server->port(), 0, userAddress.c_str());
        EXPECT_TRUE(user.login("demo", "dogru-parola"));
        const qint64 userMs = timer.elapsed();
        // Some of the queue's checks run while the bystander goes on.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const double p99 = bystander.p99();
        std::printf("%d addresses x 5 wrong logins: the correct login answered in %lld ms; %lld checks so "
                    "far; bystander p99 %.2f ms over %zu pings\n",
                    addresses, qlonglong(userMs), qlonglong(server->passwordChecks()), p99,
                    bystander.count());
        EXPECT_LT(userMs, 3000);
        // The rest of the flood is dropped with its connections: nothing is left to run.
        flood.clear();
        EXPECT_TRUE(waitFor([&] { return server->logins().waiting() == 0; }, 3000));
        return p99;
    };
    double best = 1e9;
    for (int r = 0; r < 3 && !(best < 10.0) && !HasFailure(); ++r)
        best = std::min(best, round(r));
    EXPECT_LT(best, 10.0);
}

// A guesser with a hundred connections from one address gets one check per back-off period, not
// one per connection when a period ends. The default ceiling (30 s, so at most 3 checks in 60 s) at a
// thirtieth of the time: one check a second, at most 3 in 2 s. The guesser runs in this process and
// takes processor time from the server: the best of up to three rounds counts for the bystander.
TEST_F(HostileClients, AHundredConnectionsFromOneAddressGetOneCheckPerPeriod)
{
    ServerOptions options;
    options.loginFreeFailures = 0;
    options.loginBackoffMs = 1000;
    options.loginBackoffCeilingMs = 1000;
    options.maxConnectionsPerAddress = 1000;
    start(options, QStringLiteral("dogru-parola"));
    auto round = [&](int r) {
        PingingBystander bystander(server->port());
        EXPECT_TRUE(bystander.loggedIn());
        const qint64 before = server->passwordChecks();
        constexpr int windowMs = 2000;
        const std::string guesser = "127.0.3." + std::to_string(r + 1);
        QElapsedTimer timer;
        timer.start();
        std::atomic<int> refused{0};
        std::vector<std::thread> guessers;
        for (int t = 0; t < 100; ++t) {
            guessers.emplace_back([&, t] {
                for (int i = 0; timer.elapsed() < windowMs; ++i) {
                    RawClient client(server->port(), 0, guesser.c_str());
                    client.send(loginBytes("demo", "guess" + QByteArray::number(t * 1000 + i)));
                    if (client.closedWithin(int(std::max<qint64>(1, windowMs - timer.elapsed()))))
                        ++refused;
                }
            });
        }
        // The real user from another address is not held for the guesser.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        QElapsedTimer login;
        login.start();
        const std::string userAddress = "127.0.4." + std::to_string(r + 1);
        RawClient user(server->port(), 0, userAddress.c_str());
        EXPECT_TRUE(user.login("demo", "dogru-parola"));
        const qint64 userMs = login.elapsed();
        for (auto &g : guessers)
            g.join();
        const qint64 checks = server->passwordChecks() - before - 1;
        const double p99 = bystander.p99();
        std::printf("100 guessing connections from one address: %lld checks in %d ms, %d refused; the user "
                    "logged in in %lld ms; bystander p99 %.2f ms\n",
                    qlonglong(checks), windowMs, refused.load(), qlonglong(userMs), p99);
        EXPECT_GE(checks, 1);
        EXPECT_LE(checks, 3);
        EXPECT_GT(refused.load(), 200) << "the others are answered, not left hanging";
        EXPECT_LT(userMs, 2000);
        return p99;
    };
    double best = 1e9;
    for (int r = 0; r < 3 && !(best < 10.0) && !HasFailure(); ++r)
        best = std::min(best, round(r));
    EXPECT_LT(best, 10.0);
}
