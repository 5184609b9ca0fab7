#include "metering/ReactiveRatios.h"
#include "metering/PenaltyClass.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(ReactiveRatios, PeriodReportsOfTheTariff)
{
    const struct {
        PeriodTotals totals;
        double inductive;
        double capacitive;
    } cases[] = {
        {{1000, 1200, 500, 530, 100, 110}, 15, 5},
        // The capacitive ratio is the magnitude; the inductive one keeps its sign.
        {{1000, 1500, 0, 0, 300, 250}, 0, 10},
        {{1000, 1200, 530, 500, 0, 0}, -15, 0},
        // Active energy that did not grow gives 0 whatever the reactive totals say.
        {{1000, 1000, 0, 900, 0, 900}, 0, 0},
        {{1200, 1000, 0, 900, 0, 900}, 0, 0},
        {{0, 1000, 0, 146, 0, 115}, 14.6, 11.5},
    };
    for (const auto &c : cases) {
        const std::optional<ReactiveRatios> r = ReactiveRatios::compute(c.totals);
        ASSERT_TRUE(r);
        EXPECT_DOUBLE_EQ(r->inductive, c.inductive);
        EXPECT_DOUBLE_EQ(r->capacitive, c.capacitive);
    }
}

// A whole percent on paper must be that whole number after the division, or a ratio at a limit would
// fall into the lower class.
TEST(ReactiveRatios, WholePercentsAreExactAtEveryLimit)
{
    for (int percent : {10, 12, 15, 17, 20}) {
        for (long double active : {200.0L, 300.0L, 700.0L, 1234.5L, 98765.25L}) {
            const long double reactive = active * percent / 100;
            const auto r = ReactiveRatios::compute({1000, 1000 + active, 7, 7 + reactive, 3, 3 + reactive});
            ASSERT_TRUE(r);
            EXPECT_EQ(r->inductive, double(percent)) << percent << " of " << double(active);
            EXPECT_EQ(r->capacitive, double(percent)) << percent << " of " << double(active);
        }
    }
}

TEST(ReactiveRatios, OverflowIsNoRatio)
{
    EXPECT_EQ(ReactiveRatios::compute({0, 1e-300L, 0, 1e300L, 0, 0}), std::nullopt);
    EXPECT_EQ(ReactiveRatios::compute({0, 1e-300L, 0, 0, 0, -1e300L}), std::nullopt);
}

TEST(ReactiveRatios, ReadsTotalsInTheUsersDecimalMark)
{
    EXPECT_EQ(parseExtended(u"1234,5", u','), 1234.5L);
    EXPECT_EQ(parseExtended(u" 1234.5 ", u'.'), 1234.5L);
    EXPECT_EQ(parseExtended(u"-12", u'.'), -12.0L);
    EXPECT_EQ(parseExtended(u"+3e2", u'.'), 300.0L);
    for (const char16_t *bad : {u"", u"1234,5", u"12a", u"1.2.3", u"inf", u"nan", u"1 000"})
        EXPECT_EQ(parseExtended(bad, u'.'), std::nullopt) << QString::fromUtf16(bad).toStdString();
    EXPECT_EQ(parseExtended(u"1234.5", u','), std::nullopt);
}
