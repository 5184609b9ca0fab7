// Passwords kept as Argon2id hashes, and the audit log of every command.
#include "AuditLog.h"
#include "Directory.h"
#include "PasswordHash.h"
#include "ServerFixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <ctime>

namespace korvel::server::test
{

namespace
{

QString text(const char16_t *t)
{
    return QString::fromUtf16(t);
}

// The processor time of this thread: the work a check does, which the load of other processes
// does not stretch as it stretches the wall clock.
double threadNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// A copy of the demo data whose "demo" user has a hashed password.
ServerConfig hashedDemo(const QString &password)
{
    ServerConfig config = ServerConfig::demo();
    config.pace = {0, 0, 0};
    config.users[0].password.clear();
    config.users[0].passwordHash = PasswordHash::make(password);
    return config;
}

} // namespace

TEST(PasswordHash, VerifiesOnlyItsOwnPasswordAndRejectsTextThatIsNoHash)
{
    const QByteArray hash = PasswordHash::make(text(u"Şifre 1254"));
    EXPECT_TRUE(hash.startsWith("$argon2id$"));
    EXPECT_TRUE(PasswordHash::isValid(hash));
    EXPECT_TRUE(PasswordHash::verify(hash, text(u"Şifre 1254")));
    EXPECT_FALSE(PasswordHash::verify(hash, text(u"şifre 1254")));
    EXPECT_FALSE(PasswordHash::verify(hash, QString()));
    // A new salt each time.
    EXPECT_NE(PasswordHash::make(text(u"Şifre 1254")), hash);
    for (const QByteArray &bad :
         {QByteArray(), QByteArray("demo"), QByteArray("$argon2i$v=19$m=65536,t=2,p=1$x$y"),
          hash.left(hash.size() - 10), QByteArray("$argon2id$") + QByteArray(200, 'a')})
        EXPECT_FALSE(PasswordHash::isValid(bad)) << bad.toStdString();
}

TEST(ServerConfig, AcceptsAPasswordHashAndRefusesABadOneOrBoth)
{
    const QByteArray hash = PasswordHash::make(QStringLiteral("geheim"));
    auto file = [](const QByteArray &credentials) {
        return QByteArray(R"({"groups":[{"name":"G","devices":[{"type":"VNA310","name":"A","serial":"1"}]}],)"
                          R"("users":[{"name":"u",)") +
               credentials + R"(,"haklar":[1,1],"tblhaklar":[1,1,1,1,1,1],"devices":"*"}]})";
    };
    QString error;
    const auto config = ServerConfig::fromJson(file("\"passwordHash\":\"" + hash + "\""), &error);
    ASSERT_TRUE(config) << error.toStdString();
    EXPECT_EQ(config->users[0].passwordHash, hash);
    EXPECT_TRUE(config->clearPasswordUsers().isEmpty());
    EXPECT_EQ(ServerConfig::demo().clearPasswordUsers(), QStringList({text(u"demo"), text(u"izleyici")}));

    EXPECT_FALSE(ServerConfig::fromJson(file("\"passwordHash\":\"geheim\""), &error));
    EXPECT_TRUE(error.contains(u"--hash-password")) << error.toStdString();
    EXPECT_FALSE(
        ServerConfig::fromJson(file("\"password\":\"p\",\"passwordHash\":\"" + hash + "\""), &error));
    EXPECT_TRUE(error.contains(u"not both")) << error.toStdString();
}

// A guesser learns nothing from the time a refusal takes: a known name with a wrong password and an
// unknown name cost one Argon2id check each.
TEST(Directory, AWrongPasswordCostsTheSameForAKnownAndAnUnknownName)
{
    const ServerConfig config = hashedDemo(QStringLiteral("doğru-parola"));
    const Directory directory(config, 0);
    ASSERT_TRUE(directory.slowAuthentication());
    ASSERT_TRUE(directory.authenticate(text(u"demo"), text(u"doğru-parola")));
    ASSERT_FALSE(directory.authenticate(text(u"demo"), text(u"demo")));
    // The clear-password user beside it still logs in, at the same cost.
    ASSERT_TRUE(directory.authenticate(text(u"izleyici"), text(u"izleyici")));

    // Interleaved, timed in processor time, and the fastest of each kept, so that the load of
    // other processes (the tests beside this one) cancels out.
    const QString names[] = {text(u"demo"), text(u"kimse"), text(u"izleyici")};
    double fastest[3] = {1e18, 1e18, 1e18};
    for (int round = 0; round < 9; ++round) {
        for (int k = 0; k < 3; ++k) {
            const double start = threadNanoseconds();
            EXPECT_FALSE(directory.authenticate(names[k], text(u"yanlis")));
            fastest[k] = std::min(fastest[k], threadNanoseconds() - start);
        }
    }
    const double known = fastest[0];
    const double unknown = fastest[1];
    const double clear = fastest[2];
    // A skipped hash costs next to nothing and a doubled one twice as much; the rest is the noise
    // a memory-hard hash shows when other processes share the caches.
    EXPECT_GT(unknown / known, 0.6);
    EXPECT_LT(unknown / known, 1.6);
    EXPECT_GT(clear / known, 0.6);
    EXPECT_LT(clear / known, 1.6);
}

class ServerSecurityTest : public ServerFixture
{
protected:
    void restartWith(ServerConfig config)
    {
        server.reset();
        config.auditLog = auditPath;
        server = std::make_unique<KorvelServer>(config, clock, log, options);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0)) << server->errorString().toStdString();
    }

    QTemporaryDir dir;
    QString auditPath = dir.filePath(QStringLiteral("audit.log"));
};

TEST_F(ServerSecurityTest, AHashedUserLogsInAWrongPasswordIsRefusedAndTheOthersAreServed)
{
    restartWith(hashedDemo(QStringLiteral("doğru-parola")));
    EXPECT_TRUE(logged(QStringLiteral("clear password in the configuration: izleyici")));

    auto bystander = loggedIn(QStringLiteral("izleyici"));
    TestClient right(server->port());
    right.login(QStringLiteral("demo"), QStringLiteral("doğru-parola"));
    const QList<QByteArray> replies = right.untilPong();
    ASSERT_FALSE(replies.isEmpty());
    EXPECT_TRUE(replies.first().startsWith("cihazlar"));

    TestClient wrong(server->port());
    wrong.login(QStringLiteral("demo"), QStringLiteral("demo"));
    wrong.request(QStringLiteral("ping"));
    EXPECT_TRUE(wrong.waitForDisconnect(5000));
    bystander->request(QStringLiteral("ping"));
    EXPECT_EQ(bystander->next(), QByteArray("pong\x01\xF4\xF4\xF4"));
    for (const QString &line : lines)
        EXPECT_FALSE(line.contains(u"doğru-parola")) << line.toStdString();
}

TEST_F(ServerSecurityTest, EveryCommandAndRefusalHasItsLineBeforeItsReplyAndNoPasswordIsWritten)
{
    restartWith(hashedDemo(QStringLiteral("doğru-parola")));
    TestClient demo(server->port());
    demo.login(QStringLiteral("demo"), QStringLiteral("doğru-parola"));
    demo.untilPong();
    demo.request(QStringLiteral("kondansatorcek"),
                 {QStringLiteral("310001"), QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("63"),
                  QStringLiteral("0")});
    demo.request(QStringLiteral("rolektifg"), {QStringLiteral("310003"), QStringLiteral("\x03")});
    demo.request(QStringLiteral("enertum"), {QStringLiteral("310001")});
    demo.untilPong();
    auto viewer = loggedIn(QStringLiteral("izleyici"));
    viewer->request(QStringLiteral("resetle"),
                    {QStringLiteral("310002"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                     QStringLiteral("0")});
    viewer->untilPong();

    // Read once the pongs are in: each line was written before the replies after it were queued.
    const QStringList audit = fileLines(auditPath);
    ASSERT_EQ(audit.size(), 3) << audit.join(u'\n').toStdString();
    const QRegularExpression time(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}\S* )"));
    for (const QString &line : audit) {
        EXPECT_TRUE(time.match(line).hasMatch()) << line.toStdString();
        EXPECT_FALSE(line.contains(u"parola")) << line.toStdString();
    }
    EXPECT_TRUE(
        audit[0].endsWith(QStringLiteral(R"(user="demo" address="127.0.0.1" device="310001" )"
                                         R"(verb="kondansatorcek" fields="5,0,63,0" outcome="done")")))
        << audit[0].toStdString();
    EXPECT_TRUE(audit[1].endsWith(QStringLiteral(R"(device="310003" verb="rolektifg" fields="\x03" )"
                                                 R"(outcome="device off line")")))
        << audit[1].toStdString();
    EXPECT_TRUE(audit[2].contains(QStringLiteral(R"(user="izleyici")"))) << audit[2].toStdString();
    EXPECT_TRUE(audit[2].contains(QStringLiteral(R"(verb="resetle" fields="0,0,0,0" outcome="refused: )")))
        << audit[2].toStdString();
}

TEST(AuditLog, AppendsEscapedLinesAndStartsANewFileWhenReopenedAfterAMove)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("audit.log"));
    const ManualClock clock(QDateTime(QDate(2026, 12, 10), QTime(20, 1, 2, 345), QTimeZone::utc()));
    AuditLog audit(clock);
    QString error;
    ASSERT_TRUE(audit.open(path, &error)) << error.toStdString();
    AuditLog::Entry entry{text(u"ali\" outcome=\"done"), QStringLiteral("127.0.0.1"), QStringLiteral("1"),
                          QStringLiteral("resetle"),     {QStringLiteral("0\n1")},    QStringLiteral("done")};
    ASSERT_TRUE(audit.record(entry));
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".1")));
    ASSERT_TRUE(audit.record(entry)); // still the moved file
    ASSERT_TRUE(audit.reopen(&error)) << error.toStdString();
    ASSERT_TRUE(audit.record(entry));

    EXPECT_EQ(fileLines(path + QStringLiteral(".1")).size(), 2);
    const QStringList fresh = fileLines(path);
    ASSERT_EQ(fresh.size(), 1);
    EXPECT_EQ(
        fresh[0],
        QStringLiteral(R"(2026-12-10T20:01:02.345+00:00 user="ali\x22 outcome=\x22done" )"
                       R"(address="127.0.0.1" device="1" verb="resetle" fields="0\x0A1" outcome="done")"));
    AuditLog nowhere(clock);
    EXPECT_FALSE(nowhere.open(dir.filePath(QStringLiteral("no/such/dir/audit.log")), &error));
    EXPECT_TRUE(error.contains(u"audit")) << error.toStdString();
}

// What an operator's tool does with the fields of a line: cut at the commas, then undo the escapes.
QStringList readFields(const QString &line)
{
    const qsizetype start = line.indexOf(QStringLiteral(" fields=\"")) + 9;
    const QString text = line.mid(start, line.indexOf(QStringLiteral("\" outcome="), start) - start);
    static const QRegularExpression escape(QStringLiteral(R"(\\x([0-9A-F]{2})|\\u\{([0-9A-F]{4})\})"));
    QStringList fields;
    for (const QString &part : text.split(u',')) {
        QString field;
        qsizetype at = 0;
        for (auto it = escape.globalMatch(part); it.hasNext();) {
            const auto m = it.next();
            field += part.mid(at, m.capturedStart() - at);
            field += QChar(char16_t((m.captured(1) + m.captured(2)).toUInt(nullptr, 16)));
            at = m.capturedEnd();
        }
        fields.append(field + part.mid(at));
    }
    return fields;
}

TEST(AuditLog, EveryFieldIsKeptAndACommaInsideOneIsNoSeparator)
{
    struct Case {
        QStringList fields;
        const char *written;
    };
    const Case cases[] = {
        {{QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("63"), QStringLiteral("0")}, "5,0,63,0"},
        {{QStringLiteral("1,0"), QStringLiteral("2")}, R"(1\x2C0,2)"},
        {{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("2")}, "1,0,2"},
        {{QStringLiteral("1\\x2C0")}, R"(1\x5Cx2C0)"},
        {{QStringLiteral("a\nb"), QStringLiteral("c\r")}, R"(a\x0Ab,c\x0D)"},
        {{QStringLiteral("\" outcome=\"done")}, R"(\x22 outcome=\x22done)"},
        {{QString(), QStringLiteral(",")}, R"(,\x2C)"},
        {{QString::fromUtf16(u"x\u2028y"), QStringLiteral("Şube")}, R"(x\u{2028}y,Şube)"},
    };
    for (const Case &c : cases) {
        AuditLog::Entry entry{QStringLiteral("demo"),
                              QStringLiteral("127.0.0.1"),
                              QStringLiteral("1"),
                              QStringLiteral("resetle"),
                              c.fields,
                              QStringLiteral("done")};
        const QString line = AuditLog::line(QStringLiteral("T"), entry);
        EXPECT_TRUE(line.contains(QStringLiteral(" fields=\"%1\" ").arg(QString::fromUtf8(c.written))))
            << line.toStdString();
        EXPECT_EQ(line.count(u'\n'), 1) << line.toStdString();
        EXPECT_EQ(readFields(line), c.fields) << line.toStdString();
    }

    // Past the sixteen fields an older line kept, and longer than forty characters each.
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many.append(QString(50, QChar(u'a' + i % 26)));
    const AuditLog::Entry entry{QStringLiteral("demo"),
                                QStringLiteral("127.0.0.1"),
                                QStringLiteral("1"),
                                QStringLiteral("resetle"),
                                many,
                                QStringLiteral("done")};
    EXPECT_EQ(readFields(AuditLog::line(QStringLiteral("T"), entry)), many);
}

// The program as an operator runs it: a hash from --hash-password in a configuration, a login with it,
// and the audit file named on the command line.
TEST_F(ServerSecurityTest, TheProgramLogsInWithAHashFromItsCommandLineAndAuditsToTheFileNamed)
{
    QProcess hasher;
    hasher.start(QStringLiteral(KORVEL_SERVER_BIN), {QStringLiteral("--hash-password")});
    ASSERT_TRUE(hasher.waitForStarted());
    hasher.write("Parola 42\n");
    hasher.closeWriteChannel();
    ASSERT_TRUE(hasher.waitForFinished(20000));
    ASSERT_EQ(hasher.exitCode(), 0) << hasher.readAllStandardError().toStdString();
    const QByteArray hash = hasher.readAllStandardOutput().trimmed();
    ASSERT_TRUE(PasswordHash::verify(hash, QStringLiteral("Parola 42"))) << hash.toStdString();

    const QString configPath = dir.filePath(QStringLiteral("korvel.json"));
    QFile config(configPath);
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(R"({"groups":[{"name":"G","devices":[{"type":"VNA310","name":"A","serial":"7"}]}],)"
                 R"("pace":{"values":0,"inputs":0,"messages":0},)"
                 R"("users":[{"name":"op","passwordHash":")" +
                 hash + R"(","haklar":[3,1],"tblhaklar":[1,3,7,3,255,7],"devices":"*"}]})");
    config.close();

    const quint16 port = freeLoopbackPort();
    ASSERT_NE(port, 0);
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral(KORVEL_SERVER_BIN),
                 {QStringLiteral("--port"), QString::number(port), QStringLiteral("--config"), configPath,
                  QStringLiteral("--audit-log"), auditPath});
    ASSERT_TRUE(server.waitForStarted());
    const bool listening = QTest::qWaitFor(
        [&] {
            QTcpSocket knock;
            knock.connectToHost(QHostAddress::LocalHost, port);
            return knock.waitForConnected(200);
        },
        10000);
    ASSERT_TRUE(listening);
    auto client = std::make_unique<TestClient>(port);
    ASSERT_TRUE(client->connected());
    client->login(QStringLiteral("op"), QStringLiteral("Parola 42"));
    const QList<QByteArray> replies = client->untilPong();
    ASSERT_FALSE(replies.isEmpty());
    EXPECT_TRUE(replies.first().startsWith("cihazlar"));
    client->request(QStringLiteral("resetle"), {QStringLiteral("7"), QStringLiteral("0"), QStringLiteral("0"),
                                                QStringLiteral("0"), QStringLiteral("0")});
    client->untilPong();
    server.terminate();
    ASSERT_TRUE(server.waitForFinished(5000));
    const QStringList audit = fileLines(auditPath);
    ASSERT_EQ(audit.size(), 1);
    EXPECT_TRUE(audit[0].endsWith(QStringLiteral(R"(user="op" address="127.0.0.1" device="7" verb="resetle" )"
                                                 R"(fields="0,0,0,0" outcome="done")")))
        << audit[0].toStdString();
}

} // namespace korvel::server::test
