#include "metering/PenaltyForecast.h"
#include "metering/EnergyDays.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace korvel;

namespace
{
constexpr qint64 hourMs = 3'600'000;
const QDate december(2026, 12, 1);

qint64 at(int day, int hour = 0)
{
    return QDateTime(december.addDays(day - 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() + hour * hourMs;
}

qint64 dayOf(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).date().toJulianDay();
}

// Hourly readings of counters that grow at the given rates per hour, from `from` up to `to`.
struct Stretch {
    qint64 from, to;
    double active, inductive, capacitive;
};

// Readings of a month made of stretches; a stretch may restart the counters at `restart` (a meter
// replaced), after which they count from there.
struct Month {
    std::vector<Stretch> stretches;
    std::optional<qint64> restartAt = {};

    EnergyDays days() const
    {
        EnergyDays result;
        CounterReading r{0, 5000, 700, 90};
        for (const Stretch &s : stretches) {
            for (qint64 t = s.from; t <= s.to; t += hourMs) {
                if (r.timeMs != 0) {
                    r.active += s.active;
                    r.inductive += s.inductive;
                    r.capacitive += s.capacitive;
                }
                if (restartAt && t == *restartAt)
                    r = {t, 3, 0.5, 0.1};
                r.timeMs = t;
                result.add(r, dayOf(t));
            }
        }
        return result;
    }
};

PenaltyForecast forecast(const EnergyDays &days, qint64 nowMs)
{
    return PenaltyForecast::compute(days.days(), dayOf(at(1)), dayOf(at(31)), dayOf(nowMs - 1), nowMs,
                                    at(32));
}
} // namespace

TEST(PenaltyForecast, MonthsOfMadeUpCounters)
{
    const struct {
        const char *what;
        Month month;
        qint64 now;
        double inductive, capacitive;            // month to date
        PenaltyClass inductiveClass;             //
        std::optional<double> forecastInductive; // none: "yetersiz veri"
        PenaltyClass forecastClass;              // of the inductive forecast
        const char *basis;
    } cases[] = {
        {"a flat month",
         {{{at(1), at(21), 100, 10, 2}}},
         at(21),
         10,
         2,
         PenaltyClass::normal,
         10,
         PenaltyClass::normal,
         "7 günlük veriden"},
        {"10 % for 20 days, then 30 %: the last week's rate is carried to the month's end",
         {{{at(1), at(20, 23), 100, 10, 2}, {at(21), at(28), 100, 30, 2}}},
         at(28),
         (4790.0 + 169 * 30) / (648 * 100) * 100,
         2,
         PenaltyClass::critical,
         (4790.0 + 169 * 30 + 96 * 30) / (744 * 100) * 100,
         PenaltyClass::alarm,
         "7 günlük veriden"},
        {"a meter replaced on the 10th: the hour of the change is lost, nothing is negative",
         {{{at(1), at(15), 100, 16, 2}}, at(10)},
         at(15),
         16,
         2,
         PenaltyClass::critical,
         16,
         PenaltyClass::critical,
         "7 günlük veriden"},
        {"data on two days, but only 23 hours of it",
         {{{at(1, 8), at(2, 7), 100, 25, 2}}},
         at(2, 8),
         25,
         2,
         PenaltyClass::penalty,
         std::nullopt,
         PenaltyClass::normal,
         "yetersiz veri"},
        {"a day and a half since the 1st rests on two days",
         {{{at(1), at(2, 12), 100, 12, 11}}},
         at(2, 12),
         12,
         11,
         PenaltyClass::normal,
         12,
         PenaltyClass::normal,
         "2 günlük veriden"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const PenaltyForecast f = forecast(c.month.days(), c.now);
        ASSERT_TRUE(f.hasCounters);
        EXPECT_GE(f.active, 0);
        EXPECT_NEAR(f.toDate.ratios.inductive, c.inductive, 1e-9);
        EXPECT_NEAR(f.toDate.ratios.capacitive, c.capacitive, 1e-9);
        EXPECT_EQ(f.toDate.inductive, c.inductiveClass);
        EXPECT_EQ(f.basisText(), QString::fromUtf8(c.basis));
        ASSERT_EQ(f.monthEnd.has_value(), c.forecastInductive.has_value());
        if (f.monthEnd) {
            EXPECT_NEAR(f.monthEnd->ratios.inductive, *c.forecastInductive, 1e-9);
            EXPECT_EQ(f.monthEnd->inductive, c.forecastClass);
        }
    }
}

TEST(PenaltyForecast, ExactlyOneDayOfDataIsEnough)
{
    const EnergyDays days = Month{{{at(3), at(4), 100, 10, 2}}}.days();
    EXPECT_TRUE(forecast(days, at(4)).monthEnd.has_value());
    EXPECT_EQ(forecast(days, at(4)).basisText(), QStringLiteral("1 günlük veriden"));
}

TEST(PenaltyForecast, DaysOutsideTheMonthAndNoCounters)
{
    const EnergyDays november = Month{{{at(-5), at(0), 100, 30, 2}}}.days();
    const PenaltyForecast f = forecast(november, at(3));
    EXPECT_FALSE(f.hasCounters);
    EXPECT_FALSE(f.monthEnd);
    EXPECT_EQ(f.monthLine(QLocale::c()), QString());
}

TEST(PenaltyForecast, MonthLineInTheUsersNumbers)
{
    const PenaltyForecast f = forecast(Month{{{at(1), at(21), 100, 18.44, 2}}}.days(), at(21));
    EXPECT_EQ(f.monthLine(QLocale(QLocale::Turkish, QLocale::Turkey)),
              QStringLiteral("Bu ay: İndüktif %18,4 (ALARM) · Kapasitif %2,0 (NORMAL) — ay sonu tahmini: "
                             "İndüktif %18,4 (ALARM) · Kapasitif %2,0 (NORMAL) (7 günlük veriden)"));
}

TEST(EnergyDays, ReadingsThatCannotBeCompared)
{
    const CounterReading base{1000, 100, 10, 5};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char *what;
        CounterReading after;
        bool counted;
    } cases[] = {
        {"growth", {2000, 110, 11, 5}, true},
        {"no growth at all", {2000, 100, 10, 5}, true},
        {"active counter fell", {2000, 99, 11, 6}, false},
        {"inductive counter fell", {2000, 110, 9, 6}, false},
        {"capacitive counter fell", {2000, 110, 11, 4}, false},
        {"same instant", {1000, 110, 11, 6}, false},
        {"clock set back", {500, 110, 11, 6}, false},
        {"no number", {2000, nan, 11, 6}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto step = energyBetween(base, c.after);
        ASSERT_EQ(step.has_value(), c.counted);
        if (step) {
            EXPECT_GE(step->active, 0);
            EXPECT_EQ(step->coveredMs, 1000);
        }
    }
}

TEST(EnergyDays, ContinuesFromWhatWasSummedAndIgnoresEarlierDays)
{
    EnergyDays days({{10, 5, 1, 0, 3600}}, CounterReading{100, 50, 10, 1});
    days.add({200, 60, 12, 1}, 10);
    days.add({300, 70, 13, 1}, 11);
    days.add({400, 80, 14, 1}, 9); // a day before the last: a new segment, nothing added
    days.add({500, 90, 15, 1}, 11);
    ASSERT_EQ(days.days().size(), 2u);
    EXPECT_DOUBLE_EQ(days.days()[0].active, 15);
    EXPECT_EQ(days.days()[0].coveredMs, 3700);
    EXPECT_DOUBLE_EQ(days.days()[1].active, 20);
    EXPECT_DOUBLE_EQ(days.days()[1].inductive, 2);
}

// A period report's totals are two readings days apart: their energy is spread over the days between
// them by the time each day holds, and only the days of the window asked for are walked.
TEST(EnergyDays, SparseReadingsAreSpreadOverTheirDays)
{
    const auto local = [](int day, int hour = 0) {
        return december.addDays(day - 1).startOfDay().toMSecsSinceEpoch() + hour * hourMs;
    };
    const qint64 first = december.toJulianDay();
    const qint64 last = first + 30;
    {
        // From the 2nd at 12:00 to the 4th at 12:00: half a day, a day, half a day.
        const CounterReading readings[] = {{local(2, 12), 1000, 100, 10}, {local(4, 12), 1480, 148, 14}};
        const std::vector<DayEnergy> days = spreadOverDays(readings, first, last);
        ASSERT_EQ(days.size(), 3u);
        EXPECT_EQ(days[0].day, first + 1);
        EXPECT_DOUBLE_EQ(days[0].active, 120);
        EXPECT_DOUBLE_EQ(days[1].active, 240);
        EXPECT_DOUBLE_EQ(days[1].inductive, 24);
        EXPECT_DOUBLE_EQ(days[2].capacitive, 1);
        EXPECT_EQ(days[1].coveredMs, 24 * hourMs);
        EXPECT_EQ(coveredWithin(days, first, last), 48 * hourMs);
        EXPECT_EQ(coveredWithin(days, first + 2, last), 36 * hourMs);
    }
    {
        // A report from the middle of November: only December's part is counted, in proportion.
        const CounterReading readings[] = {{local(-14), 0, 0, 0}, {local(6), 2000, 300, 0}};
        const std::vector<DayEnergy> days = spreadOverDays(readings, first, last);
        ASSERT_EQ(days.size(), 5u);
        EXPECT_DOUBLE_EQ(days[0].active, 100);
        EXPECT_EQ(coveredWithin(days, first, last), 5 * 24 * hourMs);
    }
    {
        // A replaced meter between two reports adds nothing; the stretches on either side still count.
        const CounterReading readings[] = {
            {local(1), 500, 50, 5}, {local(2), 600, 60, 6}, {local(3), 10, 1, 1}, {local(4), 110, 11, 1}};
        const std::vector<DayEnergy> days = spreadOverDays(readings, first, last);
        ASSERT_EQ(days.size(), 2u);
        EXPECT_EQ(days[0].day, first);
        EXPECT_EQ(days[1].day, first + 2);
    }
    {
        // Dates from a hostile reply: the whole calendar is not walked, only the window.
        const CounterReading readings[] = {
            {QDate(1, 1, 1).startOfDay().toMSecsSinceEpoch(), 0, 0, 0},
            {QDate(9999, 12, 31).startOfDay().toMSecsSinceEpoch(), 1e12, 1e11, 0}};
        EXPECT_EQ(spreadOverDays(readings, first, last).size(), 31u);
    }
}
