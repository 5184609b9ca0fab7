#include "TestApplication.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QDir>
#include <QFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
// A laptop screen of 1366×768 with a 32 px panel: the window maximised on it has a client area of the
// screen's width and the height left under the panel and a 30 px title bar.
constexpr int screenWidth = 1366;
constexpr int screenHeight = 768;
const QSize maximisedClientArea(screenWidth, screenHeight - 32 - 30);

QApplication &laptopScreenApplication()
{
    static QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": %1,
                                      "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                       .arg(screenWidth)
                       .arg(screenHeight)
                       .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    return test::application("main_window_fit_tests");
}
} // namespace

// Maximised on a 1366×768 laptop every tab shows all of its content without scrolling sideways, and the
// instantaneous view shows all of it without scrolling at all, with digits that stay readable. The
// screenshots of every tab go to screenshots-1366x768/ in the build tree, to be looked at.
TEST(MainWindowFit, EveryTabFitsALaptopScreenMaximised)
{
    laptopScreenApplication();
    ClientWindows windows;
    MainWindow &main = windows.main();
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry().width(), screenWidth);
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized) << "opens maximised on a screen this small";

    main.completePages();
    main.show();
    main.setWindowState(Qt::WindowNoState);
    main.resize(maximisedClientArea);
    QApplication::processEvents();

    auto *pages = main.findChild<QTabWidget *>(QStringLiteral("suiPageControl1"));
    ASSERT_NE(pages, nullptr);
    QDir().mkpath(QStringLiteral("screenshots-1366x768"));
    for (int i = 0; i < pages->count(); ++i) {
        if (!pages->isTabVisible(i))
            continue;
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        auto *scroll = qobject_cast<QScrollArea *>(pages->widget(i));
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0)
            << "tab " << i << " scrolls sideways: content " << scroll->widget()->minimumSizeHint().width()
            << " px in " << scroll->viewport()->width() << " px";
        main.grab().save(QStringLiteral("screenshots-1366x768/tab-%1.png").arg(i));
    }

    pages->setCurrentIndex(0);
    QApplication::processEvents();
    auto *instant = qobject_cast<QScrollArea *>(pages->widget(0));
    EXPECT_EQ(instant->verticalScrollBar()->maximum(), 0)
        << "content " << instant->widget()->minimumSizeHint().height() << " px in "
        << instant->viewport()->height() << " px";
    const QWidget *page = instant->widget();
    for (const auto *display : page->findChildren<SevenSegmentDisplay *>()) {
        if (!display->isVisibleTo(page))
            continue;
        EXPECT_GE(display->digitHeight(), 14) << display->objectName().toStdString();
        // Nothing overlaps it or cuts it off.
        EXPECT_EQ(display->visibleRegion().boundingRect(), display->rect())
            << display->objectName().toStdString();
    }
}
