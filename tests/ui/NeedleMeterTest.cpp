#include "ui/widgets/NeedleMeter.h"
#include "WidgetTesting.h"

#include <QImage>

#include <gtest/gtest.h>

#include <climits>

using korvel::NeedleMeter;
using korvel::testing::PaintCounter;

namespace
{

// Mean x of the needle's pure red pixels, or -1 when none is drawn.
double needleX(NeedleMeter &meter)
{
    const QImage image = korvel::testing::grab(meter);
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c.red() > 180 && c.green() < 70 && c.blue() < 70) {
                sum += x;
                ++count;
            }
        }
    }
    return count > 0 ? sum / count : -1;
}

} // namespace

TEST(NeedleMeter, PositionIsHeldAtTheEndsOfTheScale)
{
    const struct {
        int requested;
        int shown;
    } cases[] = {{0, 0},   {-10, -10}, {37, 37},   {50, 50},      {-50, -50},
                 {51, 50}, {-51, -50}, {1000, 50}, {INT_MAX, 50}, {INT_MIN, -50}};
    for (const auto &c : cases) {
        NeedleMeter meter;
        meter.setPosition(c.requested);
        EXPECT_EQ(meter.position(), c.shown) << c.requested;
    }
}

TEST(NeedleMeter, NewRangeHoldsThePositionAndAcceptsEitherOrder)
{
    NeedleMeter meter;
    meter.setPosition(40);
    meter.setRange(-20, 20);
    EXPECT_EQ(meter.position(), 20);
    meter.setRange(30, -30);
    EXPECT_EQ(meter.minimum(), -30);
    EXPECT_EQ(meter.maximum(), 30);
    EXPECT_EQ(meter.position(), 20);
    meter.setPosition(-99);
    EXPECT_EQ(meter.position(), -30);
}

TEST(NeedleMeter, CarriesTheCosPhiScale)
{
    const NeedleMeter meter;
    EXPECT_EQ(meter.minimum(), -50);
    EXPECT_EQ(meter.maximum(), 50);
    const QList<NeedleMeter::Mark> marks = meter.marks();
    const QList<int> positions{-50, -20, 0, 20, 50};
    const QStringList labels{QStringLiteral("-0,5"), QStringLiteral("-0,8"), QStringLiteral("1,0"),
                             QStringLiteral("+0,8"), QStringLiteral("+0,5")};
    ASSERT_EQ(marks.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(marks[i].position, positions[i]);
        EXPECT_EQ(marks[i].label, labels[i]);
    }
    EXPECT_EQ(meter.leftCaption(), QStringLiteral("KAPASİTİF"));
    EXPECT_EQ(meter.rightCaption(), QStringLiteral("İNDÜKTİF"));
}

TEST(NeedleMeter, NeedlePointsLeftForCapacitiveAndRightForInductive)
{
    NeedleMeter meter;
    meter.resize(240, 160);
    const double centre = meter.width() / 2.0;

    meter.setPosition(0);
    EXPECT_NEAR(needleX(meter), centre, 3);
    meter.setPosition(-50);
    const double left = needleX(meter);
    meter.setPosition(50);
    const double right = needleX(meter);
    ASSERT_GE(left, 0);
    EXPECT_LT(left, centre - 20);
    EXPECT_GT(right, centre + 20);
    EXPECT_NEAR(centre - left, right - centre, 3) << "the scale is symmetric";
    meter.setPosition(-10);
    const double nearCentre = needleX(meter);
    EXPECT_LT(nearCentre, centre);
    EXPECT_GT(nearCentre, left);
}

TEST(NeedleMeter, RepaintsOnlyWhenTheNeedleMoves)
{
    NeedleMeter meter;
    meter.resize(200, 140);
    PaintCounter paints(&meter);
    korvel::testing::showAndSettle(meter);
    meter.setPosition(50);
    paints.settle();

    meter.setPosition(50);
    EXPECT_EQ(paints.settle(), 0);
    meter.setPosition(80); // held at 50: the needle does not move
    EXPECT_EQ(paints.settle(), 0);
    meter.setRange(-50, 50);
    EXPECT_EQ(paints.settle(), 0);

    meter.setPosition(-10);
    EXPECT_GT(paints.settle(), 0);
}
