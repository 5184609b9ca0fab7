#include "metering/PenaltyClass.h"

#include <gtest/gtest.h>
#include <limits>

using namespace korvel;

TEST(PenaltyClass, RoundsHalvesToEven)
{
    const struct {
        double value;
        qint64 whole;
    } cases[] = {{14.5, 14}, {15.5, 16},   {19.5, 20},   {11.5, 12},
                 {14.6, 15}, {-14.5, -14}, {-15.5, -16}, {0.49999999999999994, 0},
                 {-0.5, 0},  {2.5, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(roundHalfToEven(c.value), c.whole) << c.value;
}

TEST(PenaltyClass, RoundingRefusesWhatNoSigned64BitIntegerHolds)
{
    EXPECT_EQ(roundHalfToEven(-9223372036854775808.0), std::numeric_limits<qint64>::min());
    EXPECT_EQ(roundHalfToEven(9223372036854775808.0), std::nullopt);
    EXPECT_EQ(roundHalfToEven(-9.3e18), std::nullopt);
    EXPECT_EQ(roundHalfToEven(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(roundHalfToEven(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(classifyRatio(1e19, inductiveLimits, RatioRounding::nearestWhole), std::nullopt);
    EXPECT_EQ(classifyRatio(1e19, inductiveLimits, RatioRounding::asComputed), PenaltyClass::penalty);
}

// A ratio equal to a limit belongs to the higher class; the meter report classifies the nearest whole
// percent, the analyzer report the ratio itself.
TEST(PenaltyClass, ClassifiesAgainstTheLimitsOfItsKind)
{
    using enum PenaltyClass;
    const struct {
        double ratio;
        bool inductive;
        PenaltyClass analyzer;
        PenaltyClass meter;
    } cases[] = {
        {15, true, critical, critical},  {14.6, true, normal, critical}, {14.5, true, normal, normal},
        {19.5, true, alarm, penalty},    {20, true, penalty, penalty},   {17, true, alarm, alarm},
        {16.999, true, critical, alarm}, {-15, true, normal, normal},    {-1e6, true, normal, normal},
        {0, true, normal, normal},       {11.5, false, critical, alarm}, {10, false, critical, critical},
        {9.99, false, normal, critical}, {12, false, alarm, alarm},      {15, false, penalty, penalty},
        {14.5, false, alarm, alarm},     {5, false, normal, normal},
    };
    for (const auto &c : cases) {
        const PenaltyLimits &limits = c.inductive ? inductiveLimits : capacitiveLimits;
        EXPECT_EQ(classifyRatio(c.ratio, limits, RatioRounding::asComputed), c.analyzer)
            << c.ratio << (c.inductive ? " inductive" : " capacitive");
        EXPECT_EQ(classifyRatio(c.ratio, limits, RatioRounding::nearestWhole), c.meter)
            << c.ratio << (c.inductive ? " inductive" : " capacitive");
    }
}

TEST(PenaltyClass, TextsAndColours)
{
    EXPECT_EQ(penaltyText(PenaltyClass::normal), QStringLiteral("NORMAL"));
    EXPECT_EQ(penaltyText(PenaltyClass::critical), QStringLiteral("KRİTİK"));
    EXPECT_EQ(penaltyText(PenaltyClass::alarm), QStringLiteral("ALARM"));
    EXPECT_EQ(penaltyText(PenaltyClass::penalty), QStringLiteral("CEZA"));
    EXPECT_EQ(penaltyColour(PenaltyClass::normal), 0x00FF00u);
    EXPECT_EQ(penaltyColour(PenaltyClass::critical), 0xFFFF00u);
    EXPECT_EQ(penaltyColour(PenaltyClass::alarm), 0xFF00FFu);
    EXPECT_EQ(penaltyColour(PenaltyClass::penalty), 0xFF0000u);
}
