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

// When the store has dropped more than the list (a few huge bodies), a line is still matched to its own
// message from the newest end; a line whose message is gone shows nothing, never another message.
TEST(MessagesList, LinesMatchTheirMessagesWhenTheStoreKeptFewer)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link);
    client.start();
    WidgetScreen &screen = client.windows().screen();
    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(screen.find(QStringLiteral("TFrmGiris.suiButton1")))->click();

    const qsizetype big = MessageStore::maxCharacters / 4 + 1;
    link.deliver(cp1254::encode(message(QStringLiteral("ilk"), QStringLiteral("ilk gövde"))));
    for (int i = 1; i <= 4; ++i)
        link.deliver(cp1254::encode(
            message(QStringLiteral("b%1").arg(i), QString::number(i) + QString(big, QLatin1Char('x')))));
    link.deliver(cp1254::encode(message(QStringLiteral("son"), QStringLiteral("son gövde"))));

    const QString list = QStringLiteral("TFrmMesajlar.RzListBox1");
    const QString body = QStringLiteral("TFrmMesajlar.RichEdit1");
    ASSERT_EQ(screen.lines(list),
              (QStringList{QStringLiteral("ilk"), QStringLiteral("b1"), QStringLiteral("b2"),
                           QStringLiteral("b3"), QStringLiteral("b4"), QStringLiteral("son")}));
    auto *widget = qobject_cast<QListWidget *>(screen.find(list));
    auto choose = [&](int row) { widget->setCurrentRow(row); };

    choose(5);
    EXPECT_EQ(screen.caption(body), QStringLiteral("son gövde"));
    // The store kept b2 to son: b2 is still line 2's own message.
    choose(2);
    EXPECT_TRUE(screen.caption(body).startsWith(QLatin1Char('2')));
    EXPECT_EQ(screen.caption(body).size(), big + 1);
    // Lines 0 and 1 outlived their messages: the body shown stays as it was.
    choose(5);
    choose(1);
    EXPECT_EQ(screen.caption(body), QStringLiteral("son gövde"));
    choose(0);
    EXPECT_EQ(screen.caption(body), QStringLiteral("son gövde"));
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
