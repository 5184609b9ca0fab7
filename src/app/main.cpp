#include "app/Client.h"
#include "app/DesktopEnvironment.h"
#include "link/TcpLink.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvel"));
    // The tray keeps the program alive while the window is hidden; closing the main window ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    korvel::DesktopEnvironment environment;
    korvel::TcpLink link;
    korvel::Client client(environment, link);
    QObject::connect(&client, &korvel::Client::finished, &app, &QCoreApplication::quit);
    client.start();
    return app.exec();
}
