#include "TestApplication.h"
#include "ui/ClientWindows.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace korvel;

// On a 1366×768 laptop screen the main window fits with its frame, and every page scrolls instead of
// being cut off, so that nothing is out of reach.
TEST(MainWindowSize, FitsALaptopScreenAndEveryPageScrolls)
{
    test::application("app_tests");
    ClientWindows windows;
    MainWindow &main = windows.main();
    const QSize smallest = main.minimumSizeHint().expandedTo(main.minimumSize());
    EXPECT_LE(smallest.width(), 1366 - 16) << smallest.width();
    EXPECT_LE(smallest.height(), 768 - 40) << smallest.height();

    auto *pages = main.findChild<QTabWidget *>(QStringLiteral("suiPageControl1"));
    ASSERT_NE(pages, nullptr);
    main.completePages();
    const QSize completed = main.minimumSizeHint().expandedTo(main.minimumSize());
    EXPECT_LE(completed.width(), 1366 - 16) << completed.width();
    EXPECT_LE(completed.height(), 768 - 40) << completed.height();
    for (int i = 0; i < pages->count(); ++i) {
        auto *scroll = qobject_cast<QScrollArea *>(pages->widget(i));
        ASSERT_NE(scroll, nullptr) << "page " << i;
        EXPECT_EQ(scroll->widget()->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
    }
}

// No page's content is built at start, not even the one in view: the window's frame, menus and status
// lines are. Whatever reaches a page's controls (a lookup, a tab chosen) finds them built, and handlers
// wired to them before they existed work; left alone, the pages are completed once the login window has
// been painted.
TEST(MainWindowPages, LaterPagesAreBuiltBeforeAnythingCanTellTheyWereNot)
{
    test::application("app_tests");
    const auto wiredClickWorks = [](ClientWindows &windows) {
        auto *button = qobject_cast<QAbstractButton *>(windows.screen().find(QStringLiteral("sabitoku")));
        if (!button)
            return false;
        bool clicked = false;
        QObject context;
        windows.screen().onClick(QStringLiteral("btnreset"), &context, [&clicked] { clicked = true; });
        qobject_cast<QAbstractButton *>(windows.screen().find(QStringLiteral("btnreset")))->click();
        return clicked;
    };
    {
        ClientWindows windows;
        EXPECT_FALSE(windows.main().pagesComplete());
        EXPECT_NE(windows.screen().find(QStringLiteral("LblMesaj")), nullptr); // outside the pages
        EXPECT_FALSE(windows.main().pagesComplete());
        int clicks = 0;
        QObject context;
        windows.screen().onClick(QStringLiteral("sabitoku"), &context, [&clicks] { ++clicks; });
        windows.screen().onClick(QStringLiteral("sabitoku"), &context, [&clicks] { clicks += 10; });
        EXPECT_FALSE(windows.main().pagesComplete());
        // A lookup of a control of a page not built builds the pages, then wires what waited for them.
        EXPECT_TRUE(windows.screen().isEnabled(QStringLiteral("sabitoku")));
        EXPECT_TRUE(windows.main().pagesComplete());
        qobject_cast<QAbstractButton *>(windows.screen().find(QStringLiteral("sabitoku")))->click();
        EXPECT_EQ(clicks, 11);
        EXPECT_EQ(windows.screen().find(QStringLiteral("NoSuchControl")), nullptr);
    }
    {
        ClientWindows windows;
        int clicks = 0;
        QObject context;
        windows.screen().onClick(QStringLiteral("sabitoku"), &context, [&clicks] { ++clicks; });
        windows.screen().setActivePage(5);
        EXPECT_TRUE(windows.main().pagesComplete());
        qobject_cast<QAbstractButton *>(windows.main().findChild<QObject *>(QStringLiteral("sabitoku")))
            ->click();
        EXPECT_EQ(clicks, 1);
        EXPECT_TRUE(wiredClickWorks(windows));
    }
    {
        ClientWindows windows;
        windows.main().show();
        windows.login().open();
        QElapsedTimer waited;
        waited.start();
        while (!windows.main().pagesComplete() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(windows.main().pagesComplete());
        EXPECT_TRUE(wiredClickWorks(windows));
    }
}
