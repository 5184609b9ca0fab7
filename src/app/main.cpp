#include "app/Client.h"
#include "app/DesktopEnvironment.h"
#include "core/Screen.h"
#include "link/TcpLink.h"
#include "tool/SystemSerialPort.h"
#include "ui/ClientWindows.h"
#include "ui/LoginWindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    // The tray keeps the program alive while the window is hidden; closing the main window ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    const QCommandLineOption serialPortOption(
        QStringLiteral("serial-port"),
        QStringLiteral("Serial port of the tool window (default COM5), such as /dev/ttyUSB0."),
        QStringLiteral("NAME"), QStringLiteral("COM5"));
    const QCommandLineOption toolOption(QStringLiteral("tool"),
                                        QStringLiteral("Open the tool window once logged in."));
    parser.addOption(serialPortOption);
    parser.addOption(toolOption);
    parser.process(app);

    korvel::DesktopEnvironment environment;
    korvel::TcpLink link;
    korvel::SystemSerialPort serialPort(parser.value(serialPortOption));
    korvel::Client client(environment, link, serialPort);
    QObject::connect(&client, &korvel::Client::finished, &app, &QCoreApplication::quit);
    client.start();
    // As the hidden menu entry "Veri" would, once the modal login window has let go of the input.
    if (parser.isSet(toolOption))
        QObject::connect(
            &client.windows().login(), &QDialog::finished, &client,
            [&client] { client.windows().screen().showWindow(QStringLiteral("TVD1KAL")); },
            Qt::SingleShotConnection);
    return app.exec();
}
