#include "ScenarioRunner.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <unistd.h>

// korvel-scenario FILE...: runs each scenario; exit 0 when all pass, 1 at the first failure, 2 when a
// file cannot be read.
namespace
{
// The offscreen platform's notes about what it cannot do are noise in a scenario's output.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message.contains(QLatin1String("propagateSizeHints")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}
} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QByteArray("/tmp/korvel-runtime-") + QByteArray::number(getuid()));
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
