// The yardstick of the start-up benchmark: the least a Qt widget program does to show a window, one
// label, and end as soon as it is on the screen.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Korvel"));
    label.show();
    QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    return app.exec();
}
