#include "ScenarioEnvironment.h"
#include "core/ClientState.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindow.h"
#include "values/DeviceValueTable.h"
#include "values/ValueRenderer.h"

#include "TestApplication.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{

// Counts the paint events of every widget.
class PaintCounter final : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// The renderer runs every second for as long as the client is open: a pass that changes nothing must
// not repaint anything, and a pass that changes one reading repaints little.
TEST(ValueRenderer, PassWithNothingChangedRepaintsNothing)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    ClientWindows windows;
    ClientState state;
    ValueRenderer renderer(windows.screen(), environment, state, windows.tool().valueTable());
    windows.main().resize(1280, 800);
    windows.main().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&windows.main()));

    DeviceValueTable &table = windows.tool().valueTable();
    for (int slot = 0; slot < 35; ++slot)
        table.setValue(1, slot, 100 + slot);
    table.setValue(1, 35, 390145);
    renderer.renderPass();
    // Let the window settle: the platform's own expose and resize work is not the renderer's.
    QTest::qWait(200);

    PaintCounter counter;
    qApp->installEventFilter(&counter);
    renderer.renderPass();
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    table.setValue(1, 0, 231.0);
    renderer.renderPass();
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
    EXPECT_LE(counter.paints, 3) << "one new reading repainted more than its display";
    qApp->removeEventFilter(&counter);
}
