#include "ui/widgets/Lamp.h"
#include "WidgetTesting.h"

#include <QImage>

#include <gtest/gtest.h>

using korvel::Lamp;
using korvel::testing::PaintCounter;

TEST(Lamp, KeepsTheBrushColourAndShowsIt)
{
    const struct {
        korvel::Colour colour;
        int dominantChannel; // 0 red, 1 green, 2 blue
    } cases[] = {{korvel::colours::red, 0}, {korvel::colours::green, 1}, {korvel::colours::blue, 2}};
    for (const auto &c : cases) {
        Lamp lamp;
        lamp.resize(24, 24);
        lamp.setBrushColour(c.colour);
        EXPECT_EQ(lamp.brushColour(), c.colour);
        // Below the gloss, the dome shows the colour itself.
        const QColor centre(korvel::testing::grab(lamp).pixel(12, 15));
        const int channels[3] = {centre.red(), centre.green(), centre.blue()};
        for (int i = 0; i < 3; ++i) {
            if (i != c.dominantChannel) {
                EXPECT_GT(channels[c.dominantChannel], channels[i] + 60) << std::hex << c.colour;
            }
        }
    }
}

TEST(Lamp, StartsNeutralAndIgnoresTheTopByte)
{
    Lamp lamp;
    EXPECT_EQ(lamp.brushColour(), Lamp::defaultBrushColour);
    lamp.setBrushColour(0xFF00FF00u);
    EXPECT_EQ(lamp.brushColour(), korvel::rgb(0, 255, 0));
}

TEST(Lamp, OblongShapeFillsTheWidthACircleLeavesEmpty)
{
    for (const auto shape : {Lamp::Shape::Circle, Lamp::Shape::RoundedRect}) {
        Lamp lamp;
        lamp.setShape(shape);
        lamp.setBrushColour(korvel::colours::red);
        lamp.resize(40, 16);
        const QColor nearLeftEnd(korvel::testing::grab(lamp).pixel(6, 10));
        const bool lit = nearLeftEnd.red() > 120 && nearLeftEnd.green() < 80;
        EXPECT_EQ(lit, shape == Lamp::Shape::RoundedRect);
    }
}

TEST(Lamp, RepaintsOnlyOnChange)
{
    Lamp lamp;
    lamp.setBrushColour(korvel::colours::green);
    PaintCounter paints(&lamp);
    korvel::testing::showAndSettle(lamp);
    paints.settle();

    lamp.setBrushColour(korvel::colours::green);
    lamp.setShape(Lamp::Shape::Circle);
    EXPECT_EQ(paints.settle(), 0);
    lamp.setBrushColour(korvel::colours::red);
    EXPECT_GT(paints.settle(), 0);
}
