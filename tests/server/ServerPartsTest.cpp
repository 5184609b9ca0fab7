#include "DateText.h"
#include "LoginQueue.h"
#include "LoginThrottle.h"
#include "RegisterDump.h"
#include "Request.h"
#include "RequestAssembler.h"
#include "ServerConfig.h"
#include "ServerLog.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <asio/executor_work_guard.hpp>

#include <future>

using namespace korvel::server;

TEST(DateText, ReadsTheShortFormatsOfCommonLocales)
{
    struct Case {
        const char16_t *text;
        QDate date;
    };
    const Case cases[] = {
        {u"4.03.2025", {2025, 3, 4}},
        {u"14.03.2025", {2025, 3, 14}},
        {u"14.03.25", {2025, 3, 14}},
        {u"4 Mar 2025", {2025, 3, 4}},
        {u"4 Şub 2025", {2025, 2, 4}},
        {u"14 AĞU 2025", {2025, 8, 14}},
        {u"2 Nis 2025", {2025, 4, 2}},
        {u"2 NİS 2025", {2025, 4, 2}},
        {u"9 Dec 2024", {2024, 12, 9}},
        {u"3/14/25", {2025, 3, 14}},
        {u"14/03/2025", {2025, 3, 14}},
        {u"2025-03-14", {2025, 3, 14}},
        {u" 2025-3-4 ", {2025, 3, 4}},
        // Unreadable: no answer is given for these.
        {u"", {}},
        {u"31.02.2025", {}},
        {u"14 Foo 2025", {}},
        {u"13/14/25", {}},
        {u"2025/03/14", {}},
        {u"14.03", {}},
        {u"yesterday", {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DateText::parse(QString::fromUtf16(c.text)), c.date)
            << QString::fromUtf16(c.text).toStdString();
}

TEST(RegisterDump, WritesAddressFunctionCountDataAndModbusCrc)
{
    RegisterDump dump;
    dump.addFloat(220.5); // 67 92 128 0
    dump.addInteger(0x00051F4);
    // CRC-16/MODBUS over 01 03 08 43 5C 80 00 F4 51 00 00, low byte first.
    EXPECT_EQ(dump.text(), QByteArray("1$3$8$67$92$128$0$244$81$0$0$49$214$"));
}

TEST(RegisterDump, NeverWritesThePairTheClientFoldsIntoOneNumber)
{
    // The client replaces "$199$239" by "$3" before reading; the byte of lesser weight gives way.
    RegisterDump integers;
    integers.addWord({199, 239, 1, 2});
    EXPECT_TRUE(integers.text().startsWith("1$3$4$200$239$1$2$"));
    RegisterDump reals;
    reals.addWord({66, 199, 239, 0}, true);
    EXPECT_TRUE(reals.text().startsWith("1$3$4$66$199$240$0$"));
    RegisterDump samples;
    for (int s : {10, -57, -17, 5})
        samples.addSample(s);
    EXPECT_FALSE(samples.text().contains("$199$239"));
}

TEST(RequestAssembler, CutsTheSameRequestsWhereverTheStreamIsSplit)
{
    const QByteArray stream("kulsifre\x01"
                            "demo\x01"
                            "demo\x02\xF4\xF4\xF4ping\xF4\xF4\xF4"
                            "enertum\x01"
                            "310001\x01\xF4\xF4\xF4\xF4\xF4\xF4x\xF4\xF4");
    const QList<QByteArray> expected = {"kulsifre\x01"
                                        "demo\x01"
                                        "demo\x02",
                                        "ping",
                                        "enertum\x01"
                                        "310001\x01",
                                        ""};
    for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
        RequestAssembler assembler;
        QList<QByteArray> got;
        for (const QByteArray &piece : {stream.left(cut), stream.mid(cut)}) {
            assembler.append(piece);
            while (auto request = assembler.next())
                got.append(*request);
        }
        EXPECT_EQ(got, expected) << "cut at " << cut;
    }
}

TEST(RequestAssembler, OverflowsOnlyPastTheLimitWithoutATerminator)
{
    RequestAssembler assembler(16);
    assembler.append(QByteArray(16, 'a'));
    EXPECT_FALSE(assembler.next());
    EXPECT_FALSE(assembler.overflowed());
    assembler.append("a");
    EXPECT_FALSE(assembler.next());
    EXPECT_TRUE(assembler.overflowed());
}

namespace
{

QByteArray readmeExample()
{
    QFile readme(QStringLiteral(KORVEL_SERVER_README));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const auto match = QRegularExpression(QStringLiteral("```json\\n(.*?)```"),
                                          QRegularExpression::DotMatchesEverythingOption)
                           .match(text);
    return match.captured(1).toUtf8();
}

} // namespace

TEST(Request, NumbersAreReadWholeOrNotAtAll)
{
    struct Case {
        QString text;
        std::optional<qint64> number;
    };
    const Case cases[] = {
        {QStringLiteral("255"), 255},
        {QStringLiteral(" 255"), 255},
        {QStringLiteral("0255"), 255},
        {QStringLiteral("+255"), 255},
        {QStringLiteral("-1"), -1},
        {QStringLiteral("7 "), 7},
        {QString::fromUtf16(u"1\0\0text", 7), std::nullopt},
        {QString::fromUtf16(u"1\0", 2), std::nullopt},
        {QStringLiteral("12abc"), std::nullopt},
        {QStringLiteral("1 2"), std::nullopt},
        {QStringLiteral("1.0"), std::nullopt},
        {QStringLiteral("0x10"), std::nullopt},
        {QStringLiteral("+"), std::nullopt},
        {QStringLiteral("--1"), std::nullopt},
        {QStringLiteral(""), std::nullopt},
        {QString::fromUtf16(u"\u0661"), std::nullopt}, // a digit, but not a decimal one of the wire
        {QStringLiteral("99999999999999999999"), std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(wholeNumber(c.text), c.number) << c.text.toStdString();
}

TEST(ServerConfig, TheDocumentedExampleLoads)
{
    QString error;
    const auto config = ServerConfig::fromJson(readmeExample(), &error);
    ASSERT_TRUE(config) << error.toStdString();
    EXPECT_EQ(config->devices.size(), 5);
    EXPECT_EQ(config->devices[3].row, 7);
    EXPECT_EQ(config->devices[4].row, 6);
    EXPECT_FALSE(config->devices[4].online);
    EXPECT_TRUE(config->users[0].seesAllDevices);
    EXPECT_EQ(config->users[1].commandRights[4], 128);
    EXPECT_EQ(config->pace.inputs, 45);
}

TEST(ServerConfig, RefusesWhatTheClientCouldNotRead)
{
    auto file = [](const char *device, const char *user) {
        return QByteArray(R"({"groups":[{"name":"G","devices":[)") + device + "]}],\"users\":[" + user + "]}";
    };
    const char *user =
        R"({"name":"u","password":"p","haklar":[1,1],"tblhaklar":[1,1,1,1,1,1],"devices":"*"})";
    const char *device = R"({"type":"VNA310","name":"A","serial":"1"})";
    struct Case {
        QByteArray json;
        const char *why;
    };
    const Case cases[] = {
        {file(R"({"type":"VNA310","name":"A","serial":"12a"})", user), "serial"},
        {file(R"({"type":"VNA310","name":"A","serial":"1234567890"})", user), "serial"},
        {file(R"({"type":"VNA310","name":"Rôle","serial":"1"})", user), "cannot be sent"},
        {file(R"({"type":"VNA310","name":"A","serial":"1"},{"type":"VNA310","name":"B","serial":"1"})", user),
         "twice"},
        {file(device, R"({"name":"u","password":"p","haklar":[1],"tblhaklar":[1,1,1,1,1,1]})"), "haklar"},
        {file(device,
              R"({"name":"u","password":"p","haklar":[1,1],"tblhaklar":[1,1,1,1,1,1],"devices":["9"]})"),
         "unknown device"},
        {QByteArray("[1,2]"), "object"},
        {QByteArray("{\"pace\":{\"values\":-1}}"), "pace"},
    };
    QString accepted;
    ASSERT_TRUE(ServerConfig::fromJson(file(device, user), &accepted)) << accepted.toStdString();
    // The client takes the serial number from the device list's own field, so a name may hold ":".
    ASSERT_TRUE(
        ServerConfig::fromJson(file(R"({"type":"VNA310","name":"A: B","serial":"1"})", user), &accepted))
        << accepted.toStdString();
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(ServerConfig::fromJson(c.json, &error)) << c.json.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
    }
}

TEST(ServerConfig, TheDocumentedLimitsAreTheDefaultsAndEachCanBeSet)
{
    QFile readme(QStringLiteral(KORVEL_SERVER_README));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    auto blocks = QRegularExpression(QStringLiteral("```json\\n(.*?)```"),
                                     QRegularExpression::DotMatchesEverythingOption)
                      .globalMatch(text);
    QByteArray limits;
    while (blocks.hasNext()) {
        const QString block = blocks.next().captured(1);
        if (block.contains(u"\"limits\""))
            limits = block.toUtf8();
    }
    QString error;
    const auto documented = ServerConfig::fromJson(limits, &error);
    ASSERT_TRUE(documented) << error.toStdString();
    const ServerOptions defaults;
    const ServerOptions &l = documented->limits;
    EXPECT_EQ(l.maxConnections, defaults.maxConnections);
    EXPECT_EQ(l.maxConnectionsPerAddress, defaults.maxConnectionsPerAddress);
    EXPECT_EQ(l.loginDeadlineMs, defaults.loginDeadlineMs);
    EXPECT_EQ(l.idleTimeoutMs, defaults.idleTimeoutMs);
    EXPECT_EQ(l.maxRequestBytes, defaults.maxRequestBytes);
    EXPECT_EQ(l.maxRequestsPerSecond, defaults.maxRequestsPerSecond);
    EXPECT_EQ(l.noticeBacklog, defaults.noticeBacklog);
    EXPECT_EQ(l.replyBacklog, defaults.replyBacklog);
    EXPECT_EQ(l.writeStallMs, defaults.writeStallMs);
    EXPECT_EQ(l.loginBackoffMs, defaults.loginBackoffMs);
    EXPECT_EQ(l.loginBackoffCeilingMs, defaults.loginBackoffCeilingMs);
    EXPECT_EQ(l.loginFreeFailures, defaults.loginFreeFailures);
    EXPECT_EQ(l.loginQueue, defaults.loginQueue);
    EXPECT_EQ(l.loginsPerAddress, defaults.loginsPerAddress);

    const auto set =
        ServerConfig::fromJson(R"({"limits": {"loginSeconds": 3, "requestsPerSecond": 0}})", &error);
    ASSERT_TRUE(set) << error.toStdString();
    EXPECT_EQ(set->limits.loginDeadlineMs, 3000);
    EXPECT_EQ(set->limits.maxRequestsPerSecond, 0);
    EXPECT_EQ(set->limits.idleTimeoutMs, defaults.idleTimeoutMs);

    struct Bad {
        const char *json;
        const char *error;
    };
    for (const Bad &bad :
         {Bad{R"({"limits": {"conections": 5}})", "unknown limit \"conections\""},
          Bad{R"({"limits": {"connections": 0}})", "\"connections\" must be a whole number"},
          Bad{R"({"limits": {"idleSeconds": 1.5}})", "\"idleSeconds\" must be a whole number"},
          Bad{R"({"limits": {"requestBytes": "4096"}})", "\"requestBytes\" must be"}}) {
        error.clear();
        EXPECT_FALSE(ServerConfig::fromJson(bad.json, &error)) << bad.json;
        EXPECT_TRUE(error.contains(QString::fromUtf8(bad.error))) << error.toStdString();
    }
}

TEST(LoginThrottle, SlowsTheAddressThatFailsNotTheUser)
{
    const ServerOptions options; // 5 free failures, then 1 s doubling to 30 s
    LoginThrottle throttle(options);
    const QString guesser = QStringLiteral("127.0.0.2");
    const QString user = QStringLiteral("127.0.0.3");
    const QString demo = QStringLiteral("demo");
    qint64 now = 1'000'000;
    // The wait after each failure, checked as soon as allowed.
    const qint64 expected[] = {0, 0, 0, 0, 1000, 2000, 4000, 8000, 16000, 30000, 30000};
    for (qint64 wait : expected) {
        EXPECT_EQ(throttle.wait(guesser, demo, now), 0) << "its turn has come";
        throttle.failed(guesser, demo, now);
        EXPECT_EQ(throttle.wait(guesser, demo, now), wait);
        EXPECT_EQ(throttle.wait(guesser, QStringLiteral("izleyici"), now), wait) << "the address is slowed";
        EXPECT_EQ(throttle.wait(user, demo, now), 0) << "a clean address never waits for the name";
        now += wait;
    }
    // An address that has failed once waits for the name's turn as well.
    throttle.failed(guesser, demo, now);
    throttle.failed(user, QStringLiteral("izleyici"), now);
    EXPECT_EQ(throttle.wait(user, QStringLiteral("izleyici"), now), 0);
    EXPECT_EQ(throttle.wait(user, demo, now), 30000);
    // A correct login clears its address, not the name.
    throttle.succeeded(guesser);
    EXPECT_EQ(throttle.wait(guesser, demo, now), 0);
    throttle.failed(guesser, demo, now);
    EXPECT_EQ(throttle.wait(guesser, demo, now), 30000) << "the name's failures go on counting";
    // Ten quiet minutes forget everything.
    now += options.loginMemoryMs + 31'000;
    throttle.forget(now);
    EXPECT_EQ(throttle.records(), 0);
}

// A check that starts takes the period's turn: the address's other connections wait for the next
// one; a check dropped before it ran gives the turn back.
TEST(LoginThrottle, AStartingCheckTakesTheTurnAndAWithdrawnOneGivesItBack)
{
    ServerOptions options;
    options.loginFreeFailures = 1;
    const QString guesser = QStringLiteral("127.0.0.2");
    const QString demo = QStringLiteral("demo");
    LoginThrottle throttle(options);
    qint64 now = 1'000'000;
    const LoginThrottle::Turn clean = throttle.admit(guesser, demo, now);
    EXPECT_EQ(throttle.wait(guesser, demo, now), 0) << "a clean address takes no turn";
    throttle.withdraw(clean);
    throttle.failed(guesser, demo, now);
    now += 1000;
    ASSERT_EQ(throttle.wait(guesser, demo, now), 0);
    const LoginThrottle::Turn turn = throttle.admit(guesser, demo, now);
    EXPECT_EQ(throttle.wait(guesser, demo, now), 1000) << "the next connection waits a period";
    EXPECT_EQ(throttle.wait(guesser, QStringLiteral("izleyici"), now), 1000);
    throttle.withdraw(turn);
    EXPECT_EQ(throttle.wait(guesser, demo, now), 0) << "given back";

    // Once the check has failed, its time stands: withdrawing the turn changes nothing.
    const LoginThrottle::Turn ran = throttle.admit(guesser, demo, now);
    throttle.failed(guesser, demo, now + 300);
    throttle.withdraw(ran);
    EXPECT_EQ(throttle.wait(guesser, demo, now + 300), 2000);
}

TEST(LoginQueue, SharesRanksDisplacesAndWithdrawsChecks)
{
    asio::io_context loop;
    LoginQueue queue(loop, 1, 3, 2);
    // The share: two logins outstanding per address.
    EXPECT_TRUE(queue.enter(QStringLiteral("A"), 0));
    EXPECT_TRUE(queue.enter(QStringLiteral("A"), 0));
    EXPECT_FALSE(queue.enter(QStringLiteral("A"), 0));
    queue.leave(QStringLiteral("A"));
    EXPECT_TRUE(queue.enter(QStringLiteral("A"), 0)) << "four asks from A now";
    for (const char *address : {"B", "C", "D", "E", "E", "E", "E", "E", "X"})
        queue.enter(QLatin1String(address), 0);

    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    QStringList ran;
    QStringList refused;
    auto submit = [&](const char *address, const char *name) {
        const QString label = QLatin1String(name);
        return queue.submit(
            QLatin1String(address),
            [open] {
                open.wait();
                return static_cast<const UserAccount *>(nullptr);
            },
            [&ran, label](const UserAccount *) { ran.append(label); },
            [&refused, label] { refused.append(label); });
    };
    ASSERT_NE(submit("X", "x"), 0u); // runs at once and holds the only worker
    ASSERT_NE(submit("A", "a1"), 0u);
    ASSERT_NE(submit("A", "a2"), 0u);
    const quint64 b = submit("B", "b");
    ASSERT_NE(b, 0u);
    EXPECT_EQ(queue.waiting(), 3);
    // Full: a quieter address takes the place of the last of the loudest, a louder one gets none.
    EXPECT_NE(submit("C", "c"), 0u);
    EXPECT_NE(submit("D", "d"), 0u);
    EXPECT_EQ(submit("E", "e"), 0u);
    EXPECT_EQ(refused, QStringList({QStringLiteral("a2"), QStringLiteral("a1")}));
    // A check whose connection has gone never runs.
    EXPECT_TRUE(queue.withdraw(b));
    EXPECT_FALSE(queue.withdraw(b));

    gate.set_value();
    // The outcomes come back to the loop from the worker.
    const auto work = asio::make_work_guard(loop);
    while (ran.size() < 3)
        loop.run_one_for(std::chrono::seconds(5));
    EXPECT_EQ(ran, QStringList({QStringLiteral("x"), QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(queue.waiting(), 0);
}

TEST(ServerLog, NonPrintableCharactersAreEscaped)
{
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("plain Türkçe ığüşöç"), QStringLiteral("plain Türkçe ığüşöç")},
        {QStringLiteral("a\nb\rc\td"), QStringLiteral("a\\x0Ab\\x0Dc\\x09d")},
        {QString::fromUtf16(u"esc\x1b[2J bell\x07 del\x7f c1\x85"),
         QStringLiteral("esc\\x1B[2J bell\\x07 del\\x7F c1\\x85")},
        {QStringLiteral("back\\slash"), QStringLiteral("back\\x5Cslash")},
        {QString::fromUtf16(u"line\u2028sep"), QStringLiteral("line\\u{2028}sep")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ServerLog::escaped(c.in), c.out);
}
