#include "TestApplication.h"
#include "app/DesktopEnvironment.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
// A short mono 16-bit wave: the header and a quiet tone.
QByteArray wave()
{
    const int rate = 8000, samples = 800;
    QByteArray data(samples * 2, '\0');
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16((i % 20 - 10) * 300), data.data() + 2 * i);
    QByteArray header(44, '\0');
    char *h = header.data();
    memcpy(h, "RIFF", 4);
    qToLittleEndian<quint32>(36 + data.size(), h + 4);
    memcpy(h + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, h + 16);
    qToLittleEndian<quint16>(1, h + 20);
    qToLittleEndian<quint16>(1, h + 22);
    qToLittleEndian<quint32>(rate, h + 24);
    qToLittleEndian<quint32>(rate * 2, h + 28);
    qToLittleEndian<quint16>(2, h + 32);
    qToLittleEndian<quint16>(16, h + 34);
    memcpy(h + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(data.size()), h + 40);
    return header + data;
}

void runEvents(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace

// The horn on a machine without a sound card (as here, offscreen): a good file, a broken one and a
// missing one are played over and over; nothing fails, hangs or shows a box.
TEST(DesktopEnvironment, PlayingWithoutAnAudioDeviceIsNoError)
{
    test::application("app_tests");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile good(QStringLiteral("horn.wav"));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write(wave());
    good.close();
    QFile broken(QStringLiteral("broken.wav"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("RIFF not a wave at all");
    broken.close();

    {
        DesktopEnvironment environment;
        EXPECT_TRUE(environment.fileExists(QStringLiteral("horn.wav")));
        EXPECT_FALSE(environment.fileExists(QStringLiteral("AirHornL.wav")));
        for (const char *name : {"horn.wav", "horn.wav", "broken.wav", "missing.wav", "horn.wav"}) {
            environment.playSound(QString::fromLatin1(name));
            runEvents(60);
        }
        environment.stopSound();
        environment.stopSound();
        runEvents(60);
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<QMessageBox *>(w), nullptr) << "a box appeared";
    QDir::setCurrent(before);
}

// What the program remembers outlives the environment that wrote it, in the file it was given.
TEST(DesktopSettings, RememberedValuesOutliveTheEnvironment)
{
    test::application("app_tests");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("korvel.ini"));
    {
        DesktopEnvironment environment(file);
        EXPECT_EQ(environment.setting(QStringLiteral("giris/kullanici"), QStringLiteral("-")),
                  QStringLiteral("-"));
        environment.setSetting(QStringLiteral("giris/kullanici"), QStringLiteral("Şükrü"));
    }
    ASSERT_TRUE(QFile::exists(file));
    DesktopEnvironment again(file);
    EXPECT_EQ(again.setting(QStringLiteral("giris/kullanici")), QStringLiteral("Şükrü"));
}
