// The consumption view's pass over the real widgets, with the meter's last readings set as the meter
// reading sets them (as texts), and the failure of a reading that is not a number.
#include "ScenarioEnvironment.h"
#include "core/ClientState.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/ToolWindow.h"
#include "ui/WidgetScreen.h"
#include "values/DeviceValueTable.h"
#include "values/Install.h"
#include "values/ValueRenderer.h"

#include "TestApplication.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace
{

class ConsumptionViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int slot = 36; slot <= 82; ++slot)
            table().setValue(1, slot, 0);
        values::addViews(renderer, screen(), environment, state, table());
    }

    DeviceValueTable &table() { return windows.tool().valueTable(); }
    Screen &screen() { return windows.screen(); }
    QString caption(const char *name) { return screen().caption(QString::fromLatin1(name)); }
    void meter(const char *active, const char *inductive, const char *capacitive)
    {
        screen().setCaption(QStringLiteral("SayacAktif"), QString::fromUtf8(active));
        screen().setCaption(QStringLiteral("Sayacind"), QString::fromUtf8(inductive));
        screen().setCaption(QStringLiteral("SayacKap"), QString::fromUtf8(capacitive));
    }

    QApplication &app = test::application("app_tests");
    ScenarioEnvironment environment;
    ClientWindows windows;
    ClientState state;
    ValueRenderer renderer{windows.screen(), environment, state, windows.tool().valueTable()};
};

} // namespace

// Values a register dump cannot carry exactly: the format follows the value's range, rounding included.
TEST_F(ConsumptionViewTest, CountersTakeTheFormatOfTheirRange)
{
    const struct {
        double value;
        const char *shown;
    } cases[] = {{99999.9994, "99999.999"}, {123456.789, "123456.79"}, {999999.996, "1000000.00"},
                 {1234567.89, "1234567.9"}, {12345678, "12345678"},    {-123456.5, "-123456.500"},
                 {0.0005, "00000.001"}};
    for (const auto &c : cases) {
        table().setValue(1, 36, c.value);
        renderer.renderPass();
        EXPECT_EQ(caption("kWh1"), QString::fromLatin1(c.shown)) << c.value;
    }
}

TEST_F(ConsumptionViewTest, TotalsAddTheMeterReadings)
{
    meter("1000", "50", "20");
    const double slots[][2] = {{36, 10}, {37, 20}, {38, 30}, {50, 15}, {51, -12}};
    for (const auto &s : slots)
        table().setValue(1, int(s[0]), s[1]);
    renderer.renderPass();
    EXPECT_EQ(caption("Ewh"), QStringLiteral("1060"));
    EXPECT_EQ(caption("Elh"), QStringLiteral("65.000"));
    EXPECT_EQ(caption("Toplamindoran"), QStringLiteral("6.132"));
    EXPECT_EQ(caption("ECh"), QStringLiteral("8.00"));
    EXPECT_EQ(caption("Toplamkaporan"), QStringLiteral("0.75"));
    // Readings and displays in the user's decimal format.
    state.decimalSeparator = u',';
    meter("1000,5", "0,5", "-100");
    renderer.renderPass();
    EXPECT_EQ(caption("Ewh"), QStringLiteral("1060,5"));
    EXPECT_EQ(caption("Elh"), QStringLiteral("15,500"));
    EXPECT_EQ(caption("ECh"), QStringLiteral("-112,00"));
    EXPECT_EQ(caption("Toplamkaporan"), QStringLiteral("10,56"));
    EXPECT_TRUE(environment.takeBoxes().isEmpty());
}

TEST_F(ConsumptionViewTest, AReadingThatIsNoNumberEndsThePassWithOneBox)
{
    table().setValue(1, 36, 60);
    renderer.renderPass();
    ASSERT_EQ(caption("Ewh"), QStringLiteral("60"));

    // The active total keeps its caption, silently.
    meter("", "0", "0");
    table().setValue(1, 36, 70);
    renderer.renderPass();
    EXPECT_EQ(caption("kWh1"), QStringLiteral("00070.000"));
    EXPECT_EQ(caption("Ewh"), QStringLiteral("60"));
    EXPECT_TRUE(environment.takeBoxes().isEmpty());

    // The inductive reading ends the pass at slot 50: one box, however many ticks follow.
    meter("0", "abc", "0");
    table().setValue(1, 50, 1);
    table().setValue(1, 51, 2);
    table().setValue(1, 53, 3);
    for (int tick = 0; tick < 3; ++tick)
        renderer.renderPass();
    EXPECT_EQ(environment.takeBoxes(),
              QStringList{QStringLiteral("'abc' is not a valid floating point value")});
    EXPECT_EQ(caption("Ewh"), QStringLiteral("70"));
    EXPECT_EQ(caption("ECh"), QStringLiteral("0.00"));
    EXPECT_EQ(caption("CA1"), QStringLiteral("0.000"));

    // Another failing reading is told once more; a pass that gets through draws the rest again.
    meter("0", "0", "abc");
    renderer.renderPass();
    renderer.renderPass();
    EXPECT_EQ(environment.takeBoxes(),
              QStringList{QStringLiteral("'abc' is not a valid floating point value")});
    EXPECT_EQ(caption("Elh"), QStringLiteral("1.000"));
    EXPECT_EQ(caption("ECh"), QStringLiteral("0.00"));
    meter("0", "0", "0");
    renderer.renderPass();
    EXPECT_EQ(caption("ECh"), QStringLiteral("2.00"));
    EXPECT_EQ(caption("CA1"), QStringLiteral("3.000"));
    meter("0", "x", "0");
    renderer.renderPass();
    EXPECT_EQ(environment.takeBoxes().size(), 1);
}
