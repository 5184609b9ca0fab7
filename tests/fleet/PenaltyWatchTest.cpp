#include "fleet/PenaltyWatch.h"

#include "TestApplication.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::fleet;

namespace
{
constexpr qint64 hourMs = 3'600'000;
const QDate december(2026, 12, 1);

qint64 at(int day, int hour = 0)
{
    return december.addDays(day - 1).startOfDay().toMSecsSinceEpoch() + hour * hourMs;
}

// Hourly live readings from the 1st to `lastDay` at 100 kWh an hour and the given inductive share.
PenaltyWatch::Update liveMonth(PenaltyWatch &watch, const QString &serial, int lastDay, double inductive)
{
    PenaltyWatch::Update u;
    CounterReading r{0, 5000, 500, 50};
    for (qint64 t = at(1); t <= at(lastDay); t += hourMs) {
        r.timeMs = t;
        u = watch.add(serial, r);
        r.active += 100;
        r.inductive += 100 * inductive;
        r.capacitive += 1;
    }
    return u;
}
} // namespace

// A device whose counters come only in period reports (a meter reader's totals) gets its month from
// them, and a forecast that rises is reported once.
TEST(PenaltyWatch, PeriodReportsCarryAMonthWithoutLiveCounters)
{
    PenaltyWatch watch{QString()};
    const QString meter = QStringLiteral("510001");
    EXPECT_FALSE(watch.month(meter, at(9)));
    PenaltyWatch::Update u = watch.addReport(meter, history::CounterSource::MeterReport,
                                             {at(1), 100000, 20000, 300}, {at(9), 108000, 21440, 380}, at(9));
    ASSERT_TRUE(u.month.hasCounters);
    EXPECT_NEAR(u.month.toDate.ratios.inductive, 18, 1e-9);
    EXPECT_EQ(u.month.toDate.inductive, PenaltyClass::alarm);
    ASSERT_TRUE(u.month.monthEnd);
    EXPECT_EQ(u.month.basisDays, 6); // the 3rd to the 8th: the 9th has only begun
    EXPECT_TRUE(u.rose);
    // The same report again changes nothing and is not reported again.
    u = watch.addReport(meter, history::CounterSource::MeterReport, {at(1), 100000, 20000, 300},
                        {at(9), 108000, 21440, 380}, at(9, 1));
    EXPECT_FALSE(u.rose);
    EXPECT_NEAR(watch.month(meter, at(9, 1))->toDate.ratios.inductive, 18, 1e-9);
    // A report of last month leaves this one as it was.
    u = watch.addReport(meter, history::CounterSource::MeterReport, {at(-20), 90000, 10000, 0},
                        {at(-10), 91000, 10900, 10}, at(9, 2));
    EXPECT_NEAR(u.month.toDate.ratios.inductive, 18, 1e-9);
}

// A report whose dates lie before the last live reading, of counters that read lower, neither replaces
// the live month nor breaks the readings that follow it.
TEST(PenaltyWatch, LiveCountersThatCoverMoreKeepTheMonth)
{
    PenaltyWatch watch{QString()};
    const QString analyzer = QStringLiteral("310001");
    liveMonth(watch, analyzer, 10, 0.09);
    const PenaltyWatch::Update u = watch.addReport(analyzer, history::CounterSource::AnalyzerReport,
                                                   {at(-5), 1000, 100, 0}, {at(3), 2000, 500, 0}, at(10));
    EXPECT_NEAR(u.month.toDate.ratios.inductive, 9, 1e-9);
    EXPECT_FALSE(u.rose);
    const PenaltyWatch::Update next = watch.add(analyzer, {at(10, 1), 5000 + 217 * 100, 500 + 217 * 9, 267});
    EXPECT_EQ(next.month.coveredMs, (9 * 24 + 1) * hourMs);
    EXPECT_NEAR(next.month.toDate.ratios.inductive, 9, 1e-9);
}

// At the next start the reports kept in the history give the month before anything arrives.
TEST(PenaltyWatch, ReportsInTheHistoryGiveTheMonthAtStart)
{
    test::application("fleet_tests");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    {
        history::HistoryStore store(file);
        for (const CounterReading &c :
             {CounterReading{at(1), 100000, 20000, 300}, {at(9), 108000, 21440, 380}})
            store.addCounters({c.timeMs, QStringLiteral("510001"), history::CounterSource::MeterReport,
                               c.active, c.inductive, c.capacitive});
        store.flush(QDateTime::fromMSecsSinceEpoch(at(9)));
    }
    PenaltyWatch watch(file);
    const std::optional<PenaltyForecast> month = watch.month(QStringLiteral("510001"), at(9, 12));
    ASSERT_TRUE(month);
    EXPECT_NEAR(month->toDate.ratios.inductive, 18, 1e-9);
    EXPECT_FALSE(watch.month(QStringLiteral("310001"), at(9, 12)));
}
