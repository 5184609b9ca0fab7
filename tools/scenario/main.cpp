#include "ScenarioRunner.h"

#include <QApplication>
#include <QFile>
#include <cstdio>

// korvel-scenario FILE...: runs each scenario; exit 0 when all pass, 1 at the first failure, 2 when a
// file cannot be read.
int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: korvel-scenario FILE...\n");
        return 2;
    }
    korvel::ScenarioRunner runner;
    for (const QString &path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: cannot open\n", qPrintable(path));
            return 2;
        }
        korvel::ScenarioScript script;
        if (auto error = korvel::parseScenario(path, QString::fromUtf8(file.readAll()), script)) {
            std::fprintf(stderr, "%s\n", error->toLocal8Bit().constData());
            return 2;
        }
        QString message;
        const auto result = runner.run(script, message);
        if (result != korvel::ScenarioRunner::Passed) {
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
            return result;
        }
        std::printf("%s: passed\n", qPrintable(path));
    }
    return 0;
}
