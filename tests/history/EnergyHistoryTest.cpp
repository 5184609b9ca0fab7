#include "HistoryTestApp.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::history;

namespace
{
const QDateTime T0(QDate(2026, 11, 3), QTime(22, 0, 0));

CounterSample reading(const QDateTime &at, double active, double inductive, double capacitive,
                      CounterSource source = CounterSource::Analyzer)
{
    return {at.toMSecsSinceEpoch(), QStringLiteral("310001"), source, active, inductive, capacitive};
}

class EnergyHistoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        historyTestApp();
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("history.sqlite"));
    }

    std::vector<DayEnergy> days()
    {
        HistoryReader reader(m_file);
        EXPECT_TRUE(reader.open());
        return reader.energyDays(QStringLiteral("310001"), 0, std::numeric_limits<qint64>::max());
    }

    QTemporaryDir m_dir;
    QString m_file;
};
} // namespace

// The per-day summary is what the forecast and the report read: a reading's energy goes to its own day,
// a falling counter starts a new segment, and a later run goes on from the last reading in the file.
TEST_F(EnergyHistoryTest, DaysSumTheEnergyAcrossFlushesRunsAndResets)
{
    {
        HistoryStore store(m_file);
        store.addCounters(reading(T0, 1000, 100, 10));
        store.addCounters(reading(T0.addSecs(3600), 1100, 110, 11)); // 23:00, day 3
        store.flush(T0);
        store.addCounters(reading(T0.addSecs(7200), 1200, 125, 12)); // 00:00, day 4
        store.addCounters(reading(T0.addSecs(9000), 5, 1, 1));       // meter replaced: nothing
        // Period reports are kept but are no readings of the live counters.
        store.addCounters(reading(T0.addSecs(9100), 1, 1, 1, CounterSource::AnalyzerReport));
        store.flush(T0);
    }
    {
        HistoryStore store(m_file);
        store.addCounters(reading(T0.addSecs(10800), 105, 21, 1)); // the next run carries on
        store.flush(T0);
    }
    const std::vector<DayEnergy> d = days();
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].day, QDate(2026, 11, 3).toJulianDay());
    EXPECT_DOUBLE_EQ(d[0].active, 100);
    EXPECT_DOUBLE_EQ(d[0].inductive, 10);
    EXPECT_EQ(d[0].coveredMs, 3'600'000);
    EXPECT_EQ(d[1].day, QDate(2026, 11, 4).toJulianDay());
    EXPECT_DOUBLE_EQ(d[1].active, 200);
    EXPECT_DOUBLE_EQ(d[1].inductive, 35);
    EXPECT_DOUBLE_EQ(d[1].capacitive, 1);
    EXPECT_EQ(d[1].coveredMs, 3'600'000 + 1'800'000);

    HistoryReader reader(m_file);
    ASSERT_TRUE(reader.open());
    const auto last = reader.lastCounters(QStringLiteral("310001"));
    ASSERT_TRUE(last);
    EXPECT_DOUBLE_EQ(last->active, 105);
    EXPECT_EQ(reader.counterDevices(), QStringList{QStringLiteral("310001")});
}

// A file written before energy was kept: the reader answers with nothing instead of failing, and the
// first recording client adds the tables without touching what the file holds.
TEST_F(EnergyHistoryTest, AFileFromBeforeGetsTheTablesAndKeepsItsData)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(m_file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(
            QStringLiteral("CREATE TABLE device(id INTEGER PRIMARY KEY, serial TEXT UNIQUE NOT NULL)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO device(serial) VALUES('310001')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    {
        HistoryReader reader(m_file);
        ASSERT_TRUE(reader.open());
        EXPECT_TRUE(reader.energyDays(QStringLiteral("310001"), 0, 1 << 30).empty());
        EXPECT_FALSE(reader.lastCounters(QStringLiteral("310001")));
        EXPECT_TRUE(reader.deviceInfo().isEmpty());
    }
    {
        HistoryStore store(m_file);
        store.addCounters(reading(T0, 1000, 100, 10));
        store.addCounters(reading(T0.addSecs(60), 1010, 101, 10));
        store.setDeviceInfo(
            {QStringLiteral("310001"), QStringLiteral("Ana Pano"), QStringLiteral("MERKEZ"), 0});
        store.flush(T0);
        EXPECT_EQ(store.state(), HistoryStore::State::Recording);
    }
    HistoryReader reader(m_file);
    ASSERT_TRUE(reader.open());
    EXPECT_EQ(reader.devices(), QStringList{QStringLiteral("310001")});
    EXPECT_EQ(days().size(), 1u);
    EXPECT_EQ(reader.deviceInfo().value(QStringLiteral("310001")).caption, QStringLiteral("Ana Pano"));
}
