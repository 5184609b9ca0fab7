#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/GroupBarDeviceList.h"
#include "ui/MainWindow.h"
#include "ui/widgets/GroupBar.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{

QByteArray device(const QByteArray &group, const QByteArray &serial)
{
    return "cihazlar\x01" + group + "\x01VNA310\x01Pano\x01" + serial + "\x01\xF4\xF4\xF4";
}

} // namespace

// A list of 20,000 devices, each in a group of its own, arrives as socket reads do, one chunk per turn
// of the event loop, and a person clicks the first device as the last chunk comes in: the click is
// handled and its request written within a second of the end of the list, not behind a relayout of
// every group.
TEST(DeviceListFlood, AClickAfterTwentyThousandGroupsIsSentAtOnce)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link);
    client.start();
    WidgetScreen &screen = client.windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("TFrmGiris.suiButton1")))->click();
    QCoreApplication::processEvents();
    link.takeSent();

    constexpr int groups = 20000;
    constexpr int perChunk = 100;
    GroupBar &bar = *client.windows().main().groupBar();
    QElapsedTimer clock;
    qint64 floodEnd = -1;
    for (int first = 0; first < groups; first += perChunk) {
        QByteArray chunk;
        for (int i = first; i < first + perChunk; ++i)
            chunk += device("Tesis " + QByteArray::number(i), QByteArray::number(500000 + i));
        QMetaObject::invokeMethod(
            &link,
            [&, chunk, last = first + perChunk >= groups] {
                link.deliver(chunk);
                if (last) {
                    floodEnd = clock.elapsed();
                    // The click, queued behind whatever the list left to do.
                    const QPointF at = bar.itemRect(0, 0).center();
                    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                        QCoreApplication::postEvent(
                            bar.viewport(),
                            new QMouseEvent(type, at, bar.viewport()->mapToGlobal(at), Qt::LeftButton,
                                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                            {}));
                }
            },
            Qt::QueuedConnection);
    }
    clock.start();
    QByteArray sent;
    QDeadlineTimer deadline(60000);
    while (!sent.contains("enertum") && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        sent += link.takeSent();
    }
    const qint64 clickSent = clock.elapsed();
    ASSERT_EQ(bar.groupCount(), groups);
    ASSERT_TRUE(sent.contains("enertum\x01"
                              "500000\x01"))
        << "the click was not sent";
    ASSERT_GE(floodEnd, 0);
    EXPECT_LT(clickSent - floodEnd, 1000)
        << "list done at " << floodEnd << " ms, click sent at " << clickSent;
}

// The two lookups of the device list: caption to group, and serial number to the items of a group,
// wherever items were inserted; a serial number listed twice gives both items.
TEST(DeviceListFlood, GroupsAndItemsAreFoundByCaptionAndSerial)
{
    test::application("app_tests");
    GroupBar bar;
    GroupBarDeviceList list(bar);
    EXPECT_EQ(list.findGroup(QStringLiteral("A")), -1);
    const int a = list.addGroup(QStringLiteral("A"));
    const int b = list.addGroup(QStringLiteral("B"));
    EXPECT_EQ(list.findGroup(QStringLiteral("A")), a);
    EXPECT_EQ(list.findGroup(QStringLiteral("B")), b);
    EXPECT_EQ(list.findGroup(QStringLiteral("a")), -1);
    EXPECT_EQ(list.addGroup(QStringLiteral("A")), 2);
    EXPECT_EQ(list.findGroup(QStringLiteral("A")), a) << "the first group of a caption";

    const struct {
        int position;
        const char *serial;
    } inserts[] = {{0, "12"}, {0, "120"}, {5, "7"}, {0, "12"}, {2, "9"}, {0, "1"}, {99, "12"}};
    for (const auto &insert : inserts)
        list.insertItem(a, insert.position, QStringLiteral("x"), 0, QString::fromLatin1(insert.serial));
    // Rows now: 1, 12, 120, 9, 12, 7, 12.
    for (const auto &[serial, rows] : std::initializer_list<std::pair<const char *, QList<int>>>{
             {"12", {1, 4, 6}}, {"120", {2}}, {"9", {3}}, {"7", {5}}, {"1", {0}}, {"", {}}, {"2", {}}}) {
        const QList<int> found = list.itemsWithSerial(a, QString::fromLatin1(serial));
        EXPECT_EQ(found, rows) << serial;
        for (int row : found)
            EXPECT_EQ(list.itemSerial(a, row), QString::fromLatin1(serial));
    }
    EXPECT_EQ(list.itemsWithSerial(b, QStringLiteral("12")), QList<int>());
    EXPECT_EQ(list.itemsWithSerial(7, QStringLiteral("12")), QList<int>());

    list.clearItems();
    EXPECT_EQ(list.itemsWithSerial(a, QStringLiteral("12")), QList<int>());
    list.insertItem(a, 0, QStringLiteral("x"), 0, QStringLiteral("12"));
    EXPECT_EQ(list.itemsWithSerial(a, QStringLiteral("12")), QList<int>{0});
    EXPECT_EQ(list.findGroup(QStringLiteral("B")), b);
}
