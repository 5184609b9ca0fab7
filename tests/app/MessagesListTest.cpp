#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "alerts/MessageStore.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QListWidget>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
QString message(const QString &title, const QString &body)
{
    return QStringLiteral("mesajvar\x01") + title + QChar(0x01) + body + QStringLiteral("\x01\xF4\xF4\xF4");
}
} // namespace

// Whichever bound drops the oldest messages (here the characters of many long bodies), the list drops
// the same lines: line i shows entry i's title and choosing it shows that message's own body.
TEST(MessagesList, LinesAndStoreDropTheSameOldestMessages)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link);
    client.start();
    WidgetScreen &screen = client.windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("TFrmGiris.suiButton1")))->click();

    link.deliver(cp1254::encode(message(QStringLiteral("FIRST"), QStringLiteral("first body"))));
    const int count = 4500;
    auto number = [](int i) { return QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')); };
    for (int i = 1; i <= count; ++i)
        link.deliver(
            cp1254::encode(message(QLatin1Char('m') + number(i),
                                   (number(i) + QLatin1Char(':')).leftJustified(2000, QLatin1Char('x')))));

    const QString list = QStringLiteral("TFrmMesajlar.RzListBox1");
    const QString body = QStringLiteral("TFrmMesajlar.RichEdit1");
    const QStringList lines = screen.lines(list);
    // 8 Mi characters hold 4,183 of these messages: FIRST and the oldest long ones are gone from both.
    const qsizetype kept = MessageStore::maxCharacters / (2000 + 5);
    ASSERT_EQ(lines.size(), kept);
    EXPECT_EQ(lines.first(), QLatin1Char('m') + number(int(count - kept + 1)));
    EXPECT_EQ(lines.last(), QLatin1Char('m') + number(count));
    auto *widget = qobject_cast<QListWidget *>(screen.find(list));
    for (const qsizetype row : {qsizetype(0), kept / 2, kept - 1}) {
        widget->setCurrentRow(int(row));
        const QString title = lines[row];
        EXPECT_TRUE(screen.caption(body).startsWith(title.mid(1) + QLatin1Char(':'))) << row;
    }
    EXPECT_TRUE(environment.takeBoxes().isEmpty());
}

// The new-message link has a place of its own: when it appears, the device items stay where the pointer
// is, and its whole text fits.
TEST(MessagesList, TheLinkAppearsWithoutMovingTheDeviceList)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link);
    client.start();
    WidgetScreen &screen = client.windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("TFrmGiris.suiButton1")))->click();
    QWidget &main = client.windows().main();
    main.resize(1280, 800);
    auto *bar = qobject_cast<QWidget *>(screen.find(QStringLiteral("RzGroupBar1")));
    auto *news = qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("RzURLLabel1")));
    ASSERT_TRUE(bar && news);
    main.grab();
    const QRect before = bar->geometry();
    link.deliver(cp1254::encode(QStringLiteral("yenimesaj\x01\xF4\xF4\xF4")));
    main.grab();
    ASSERT_TRUE(news->isVisible());
    EXPECT_EQ(bar->geometry(), before);
    EXPECT_GE(news->height(), news->heightForWidth(news->width()));
}
