// korvel-server: the reference data server with simulated field devices.
#include "Clock.h"
#include "KorvelServer.h"
#include "PasswordHash.h"
#include "ServerConfig.h"
#include "ServerLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <iostream>
#include <string>
#include <sys/resource.h>

using namespace korvel::server;

namespace
{

// A thousand clients need more descriptors than the usual soft limit of 1024.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

int fail(const QString &text)
{
    std::fprintf(stderr, "korvel-server: %s\n", qPrintable(text));
    return 2;
}

// The password is the first line of standard input, without its line end.
int printPasswordHash()
{
    std::string line;
    if (!std::getline(std::cin, line) && line.empty())
        return fail(QStringLiteral("no password on standard input"));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        return fail(QStringLiteral("the password is empty"));
    std::printf("%s\n", PasswordHash::make(QString::fromStdString(line)).constData());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    raiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvel-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Korvel data server with simulated field devices."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption listenOption(QStringLiteral("listen"), QStringLiteral("Address to listen on."),
                                          QStringLiteral("ADDRESS"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP port."),
                                        QStringLiteral("N"), QStringLiteral("17814"));
    const QCommandLineOption configOption(QStringLiteral("config"),
                                          QStringLiteral("JSON file with users, devices and pace; the "
                                                         "built-in demo data when absent."),
                                          QStringLiteral("FILE"));
    const QCommandLineOption auditOption(QStringLiteral("audit-log"),
                                         QStringLiteral("Append a line for every command that changes a "
                                                        "device, and every refused request, to FILE."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption hashOption(QStringLiteral("hash-password"),
                                        QStringLiteral("Read a password from standard input, print its "
                                                       "Argon2id hash for \"passwordHash\" and exit."));
    const QCommandLineOption tlsCertOption(QStringLiteral("tls-cert"),
                                           QStringLiteral("Speak TLS with this certificate (PEM, the chain "
                                                          "after it); with --tls-key."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption tlsKeyOption(QStringLiteral("tls-key"),
                                          QStringLiteral("The private key of --tls-cert (PEM)."),
                                          QStringLiteral("FILE"));
    parser.addOptions(
        {listenOption, portOption, configOption, auditOption, hashOption, tlsCertOption, tlsKeyOption});
    parser.process(app);

    if (parser.isSet(hashOption))
        return printPasswordHash();

    const QHostAddress address(parser.value(listenOption));
    if (address.isNull())
        return fail(QStringLiteral("not an address: %1").arg(parser.value(listenOption)));
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535)
        return fail(QStringLiteral("not a port: %1").arg(parser.value(portOption)));

    ServerConfig config = ServerConfig::demo();
    if (parser.isSet(configOption)) {
        QFile file(parser.value(configOption));
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        QString error;
        const std::optional<ServerConfig> loaded = ServerConfig::fromJson(file.readAll(), &error);
        if (!loaded)
            return fail(QStringLiteral("%1: %2").arg(file.fileName(), error));
        config = *loaded;
    }
    if (parser.isSet(auditOption))
        config.auditLog = parser.value(auditOption);
    if (parser.isSet(tlsCertOption))
        config.tls.cert = parser.value(tlsCertOption);
    if (parser.isSet(tlsKeyOption))
        config.tls.key = parser.value(tlsKeyOption);

    const SystemClock clock;
    const ServerLog log;
    KorvelServer server(config, clock, log, config.limits);
    if (config.tls.enabled() && (config.tls.cert.isEmpty() || config.tls.key.isEmpty()))
        return fail(QStringLiteral("TLS needs both --tls-cert and --tls-key"));
    if (!server.listen(address, quint16(port)))
        return fail(QStringLiteral("cannot listen on %1:%2: %3")
                        .arg(address.toString())
                        .arg(port)
                        .arg(server.errorString()));
    // The server's own loop serves until SIGINT or SIGTERM; Qt only supplies the data types.
    server.run();
    return 0;
}
