// SIGTERM and SIGINT end the client as its close button does: the process returns from its event loop
// and exits normally, which is where the history is written and its journal merged.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace
{

// Whether the process catches `signal` by now, as the kernel lists it.
bool catches(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask >> (signal - 1) & 1u);
        }
    }
    return false;
}

} // namespace

TEST(EndSignal, TermAndIntEndTheClientNormally)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        QTemporaryDir dir;
        QProcess client;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        client.setProcessEnvironment(environment);
        client.start(QStringLiteral(KORVEL_PROGRAM),
                     {QStringLiteral("--history"), dir.filePath(QStringLiteral("h.sqlite"))});
        ASSERT_TRUE(client.waitForStarted());
        const QDeadlineTimer deadline(20000);
        while (!catches(client.processId(), signal) && !deadline.hasExpired() &&
               client.state() == QProcess::Running)
            QThread::msleep(5);
        ASSERT_TRUE(catches(client.processId(), signal)) << "the handler was never installed";
        ::kill(pid_t(client.processId()), signal);
        ASSERT_TRUE(client.waitForFinished(20000));
        EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
    }
}
