#include "TestApplication.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"

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
    for (int i = 0; i < pages->count(); ++i) {
        auto *scroll = qobject_cast<QScrollArea *>(pages->widget(i));
        ASSERT_NE(scroll, nullptr) << "page " << i;
        EXPECT_EQ(scroll->widget()->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
    }
}
