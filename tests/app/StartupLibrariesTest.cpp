#include "TestApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

// The real program up to its login window (offscreen), with the dynamic loader reporting every file
// it maps: what only an alarm, a picture or the history needs is not loaded before the login window.
TEST(Startup, LeavesOutWhatOnlyLaterNeeds)
{
    korvel::test::application("app_tests");
    QProcess korvel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KORVEL_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    korvel.setProcessEnvironment(environment);
    korvel.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("korvel")), {});
    ASSERT_TRUE(korvel.waitForFinished(60000));
    ASSERT_EQ(korvel.exitCode(), 0);
    const QString loaded = QString::fromLocal8Bit(korvel.readAllStandardError());
    ASSERT_TRUE(loaded.contains(QStringLiteral("libQt6Widgets"))) << "the loader reported nothing";
    for (const char *later :
         {"libQt6Multimedia", "libpulse", "libkorvel_horn", "imageformats/", "sqldrivers/"})
        EXPECT_FALSE(loaded.contains(QString::fromLatin1(later)))
            << later << " loaded before the login window";
}
