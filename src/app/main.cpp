#include "app/Client.h"
#include "app/CommandLine.h"
#include "app/CsvExport.h"
#include "app/DesktopEnvironment.h"
#include "app/ReportExport.h"
#include "app/Translations.h"
#include "core/Screen.h"
#include "link/TcpLink.h"
#include "tool/SystemSerialPort.h"
#include "ui/ClientWindows.h"
#include "ui/DeferredIconStyle.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
int signalPair[2] = {-1, -1};

void onEndSignal(int)
{
    // Only what is safe in a signal handler: one byte that the event loop reads.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPair[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop as the close button would, so that everything is torn down in
// order: the history writes what it holds and merges its journal into the file.
void endOnSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPair[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPair[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

int report(const korvel::CommandLine::Result &result)
{
    std::fprintf(result.exitCode == 0 ? stdout : stderr, "%s\n", qPrintable(result.text.trimmed()));
    return result.exitCode;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    QApplication::setApplicationVersion(QStringLiteral(KORVEL_VERSION));
    // --help and --version answer before the windowing system is needed, also with no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const korvel::CommandLine::Result early = korvel::CommandLine::parse(arguments);
    if (early.exitCode == 0)
        return report(early);
    // The export needs no window: it answers here, bad arguments included, also with no display.
    if (early.startup.csvExport ||
        (early.exitCode > 0 && (arguments.contains(QStringLiteral("--export-csv")) ||
                                arguments.contains(QStringLiteral("--export-events"))))) {
        if (early.exitCode > 0)
            return report(early);
        QCoreApplication app(argc, argv);
        const korvel::Startup &s = early.startup;
        QString error;
        const int code = korvel::exportCsv(
            *s.csvExport, s.historyFile.isEmpty() ? korvel::defaultHistoryFile() : s.historyFile, error);
        if (code != 0)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return code;
    }

    // So is the monthly report, which paints its pages with fonts but needs no display.
    if (early.startup.report || (early.exitCode > 0 && arguments.contains(QStringLiteral("--report")))) {
        if (early.exitCode > 0)
            return report(early);
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        const korvel::Startup &s = early.startup;
        QString error;
        const int code = korvel::writeReport(
            s, s.historyFile.isEmpty() ? korvel::defaultHistoryFile() : s.historyFile, error);
        if (code != 0)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return code;
    }

    QApplication app(argc, argv);
    korvel::Translations::install(QLocale());
    QApplication::setStyle(new korvel::DeferredIconStyle);
    endOnSignals(app);
    // The tray keeps the program alive while the window is hidden; closing the main window ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own options (-platform ...) are gone from the arguments by now.
    const korvel::CommandLine::Result options = korvel::CommandLine::parse(QApplication::arguments());
    if (options.exitCode >= 0)
        return report(options);

    korvel::DesktopEnvironment environment;
    environment.setHistoryFile(options.startup.historyFile.isEmpty() ? korvel::defaultHistoryFile()
                                                                     : options.startup.historyFile);
    korvel::TcpLink link;
    korvel::SystemSerialPort serialPort(options.startup.serialPort);
    korvel::Client client(environment, link, serialPort, options.startup.address);
    QObject::connect(&client, &korvel::Client::finished, &app, &QCoreApplication::quit);
    // Once the windows are on the screen and complete, the first Internet check is made ready.
    QObject::connect(&client.windows().main(), &korvel::MainWindow::pagesCompleted, &app,
                     [&app, &environment] {
                         environment.loadReachability();
                         // The horn's libraries load while the user types the password, not at the first
                         // alarm.
                         QTimer::singleShot(2000, &app, [&environment] { environment.preloadSound(); });
                     });
    // For the start-up benchmark: end as soon as the login window is on the screen.
    if (qEnvironmentVariableIsSet("KORVEL_QUIT_WHEN_SHOWN"))
        QObject::connect(&client.windows().login(), &korvel::LoginWindow::shown, &app,
                         &QCoreApplication::quit, Qt::QueuedConnection);
    client.start();
    options.startup.applyTo(client);
    return app.exec();
}
