#pragma once

#include "Clock.h"
#include "KorvelServer.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "TestClient.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace korvel::server::test
{

// The application the server tests run in, made once, with every descriptor the system allows
// (the load tests open thousands of connections).
inline void ensureServerTestApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "server_tests";
    static char *argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// A loopback port free at the moment of asking, for a korvel-server started as a process of its own.
inline quint16 freeLoopbackPort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// A server on a free loopback port with the demo data, a fixed clock, no paced notices and a log
// that the test can read.
class ServerFixture : public ::testing::Test
{
protected:
    static QDateTime start() { return QDateTime(QDate(2025, 3, 14), QTime(12, 0), QTimeZone::utc()); }

    void SetUp() override
    {
        ensureServerTestApplication();
        ServerConfig config = ServerConfig::demo();
        config.pace = {0, 0, 0};
        options.refusedLoginDelayMs = 150;
        // Refused logins in a row are part of many tests; the back-off has tests of its own.
        options.loginBackoffMs = 20;
        options.loginBackoffCeilingMs = 100;
        options.summaryIntervalMs = 300;
        server = std::make_unique<KorvelServer>(config, clock, log, options);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0));
    }

    void TearDown() override
    {
        server.reset();
        if (HasFailure())
            std::printf("server log:\n%s\n", qPrintable(lines.join(u'\n')));
    }

    std::unique_ptr<TestClient> loggedIn(const QString &user = QStringLiteral("demo"))
    {
        auto client = std::make_unique<TestClient>(server->port());
        client->login(user, user);
        client->untilPong();
        return client;
    }

    bool logged(const QString &part) const
    {
        for (const QString &line : lines) {
            if (line.contains(part))
                return true;
        }
        return false;
    }

    ManualClock clock{start()};
    QStringList lines;
    ServerLog log{[this](const QString &line) { lines.append(line); }};
    ServerOptions options;
    std::unique_ptr<KorvelServer> server;
};

} // namespace korvel::server::test
