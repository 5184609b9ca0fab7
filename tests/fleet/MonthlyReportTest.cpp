#include "fleet/MonthlyReport.h"

#include "TestApplication.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/Quantities.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace korvel;
using namespace korvel::fleet;

namespace
{
const QDate november(2026, 11, 1);

// A month of hourly readings for two analyzers, one at 9 % inductive, one at 21 %, and a relay whose
// values were recorded but whose counters never came; the second analyzer raised two input alarms, one
// of them acknowledged.
void writeMonth(const QString &file)
{
    history::HistoryStore store(file);
    const struct {
        const char *serial;
        double inductivePerKwh;
    } analyzers[] = {{"310001", 0.09}, {"310002", 0.21}};
    for (const auto &a : analyzers) {
        const QString serial = QString::fromLatin1(a.serial);
        store.setDeviceInfo({serial, QStringLiteral("Pano ") + serial, QStringLiteral("MERKEZ"), 0});
        double active = 5000, inductive = 400, capacitive = 20;
        for (QDateTime t = november.startOfDay(); t.date().month() == 11; t = t.addSecs(3600)) {
            store.addCounters({t.toMSecsSinceEpoch(), serial, history::CounterSource::Analyzer, active,
                               inductive, capacitive});
            active += 100;
            inductive += 100 * a.inductivePerKwh;
            capacitive += 2;
        }
        store.flush(november.startOfDay());
    }
    std::vector<double> values(history::quantities().size(), std::nan(""));
    values[6] = 3;
    store.addSample({november.addDays(3).startOfDay().toMSecsSinceEpoch(), QStringLiteral("420001"), values});
    for (int day : {5, 9})
        store.addEvent({november.addDays(day).startOfDay().toMSecsSinceEpoch(), QStringLiteral("310002"),
                        history::EventKind::Input, QStringLiteral("4"), QStringLiteral("Girişler: 3")});
    store.flush(november.startOfDay());
    history::HistoryReader reader(file);
    reader.open();
    const auto events = reader.events(QStringLiteral("310002"), {history::EventKind::Input}, 0,
                                      std::numeric_limits<qint64>::max());
    store.acknowledge(events.at(0).id, QStringLiteral("demo"), events.at(0).timeMs + 60'000);
    store.flush(november.startOfDay());
}

QString run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    EXPECT_TRUE(p.waitForFinished(60'000)) << program.toStdString();
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

class MonthlyReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::application("fleet_tests");
        ASSERT_TRUE(m_dir.isValid());
        m_history = m_dir.filePath(QStringLiteral("history.sqlite"));
        writeMonth(m_history);
    }
    QTemporaryDir m_dir;
    QString m_history;
};
} // namespace

TEST_F(MonthlyReportTest, DevicesComeWorstFirstWithTheirMonth)
{
    history::HistoryReader reader(m_history);
    ASSERT_TRUE(reader.open());
    const auto devices = MonthlyReport::collect(reader, {QString(), november.addDays(14), {}},
                                                QDateTime::currentMSecsSinceEpoch());
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].info.serial, QStringLiteral("310002"));
    EXPECT_EQ(devices[0].info.caption, QStringLiteral("Pano 310002"));
    EXPECT_NEAR(devices[0].month.toDate.ratios.inductive, 21, 1e-9);
    EXPECT_EQ(devices[0].month.toDate.inductive, PenaltyClass::penalty);
    EXPECT_EQ(devices[0].days.size(), 30u);
    EXPECT_EQ(devices[0].alarms.size(), 2u);
    EXPECT_EQ(devices[1].info.serial, QStringLiteral("310001"));
    EXPECT_NEAR(devices[1].month.toDate.ratios.capacitive, 2, 1e-9);
    EXPECT_EQ(devices[2].info.serial, QStringLiteral("420001"));
    EXPECT_FALSE(devices[2].month.hasCounters);
}

// The command line writes the PDF with no display: a first page and one page per device, whose text
// names each device, its ratios and classes, and says where there were no counters.
TEST_F(MonthlyReportTest, TheCommandWritesOnePagePerDevice)
{
    const QString pdf = m_dir.filePath(QStringLiteral("rapor.pdf"));
    int code = -1;
    const QString output = run(QStringLiteral(KORVEL),
                               {QStringLiteral("--report"), pdf, QStringLiteral("--month"),
                                QStringLiteral("2026-11"), QStringLiteral("--history"), m_history},
                               &code);
    ASSERT_EQ(code, 0) << output.toStdString();
    EXPECT_TRUE(
        run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n"))));
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const char *expected :
         {"310001", "310002", "420001", "%21.0 (CEZA)", "%9.0 (NORMAL)", "%2.0 (NORMAL)",
          "İndüktif oran %21.0 — CEZA", "Bu ay için enerji sayacı verisi yok", "onaylandı: demo",
          "onaylanmadı", "Kasım 2026"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    }

    // One device asked for: the first page and its own.
    run(QStringLiteral(KORVEL),
        {QStringLiteral("--report"), pdf, QStringLiteral("--month"), QStringLiteral("2026-11"),
         QStringLiteral("--device"), QStringLiteral("310001"), QStringLiteral("--history"), m_history},
        &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(
        run(QStringLiteral("pdfinfo"), {pdf}).contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))));
}

TEST_F(MonthlyReportTest, FailuresSayWhyAndLeaveNoFile)
{
    const struct {
        QStringList arguments;
        int code;
        const char *says;
    } cases[] = {
        {{QStringLiteral("--report"), m_dir.filePath(QStringLiteral("a.pdf")), QStringLiteral("--month"),
          QStringLiteral("2026-11"), QStringLiteral("--history"),
          m_dir.filePath(QStringLiteral("none.sqlite"))},
         2,
         "none.sqlite"},
        {{QStringLiteral("--report"), m_dir.filePath(QStringLiteral("a.pdf")), QStringLiteral("--month"),
          QStringLiteral("2026-13"), QStringLiteral("--history"), m_history},
         2,
         "2026-13"},
        {{QStringLiteral("--report"), m_dir.filePath(QStringLiteral("a.pdf")), QStringLiteral("--history"),
          m_history},
         2,
         "--month"},
        {{QStringLiteral("--report"), m_dir.filePath(QStringLiteral("no/such/folder/a.pdf")),
          QStringLiteral("--month"), QStringLiteral("2026-11"), QStringLiteral("--history"), m_history},
         1,
         "a.pdf"},
    };
    for (const auto &c : cases) {
        int code = -1;
        const QString output = run(QStringLiteral(KORVEL), c.arguments, &code);
        EXPECT_EQ(code, c.code) << output.toStdString();
        EXPECT_TRUE(output.contains(QString::fromUtf8(c.says))) << output.toStdString();
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath(QStringLiteral("a.pdf"))));
}

// Period reports kept in the history carry the month of a meter reader that never sent live counters:
// the stretch reaching in from October counts with its November part only. An analyzer whose own
// counters cover the month keeps them, whatever an older report of it said.
TEST_F(MonthlyReportTest, PeriodReportsCarryAMonthWithoutLiveCounters)
{
    {
        history::HistoryStore store(m_history);
        // A report's totals at its first date and at its second: the same counters read twice.
        const auto report = [&store](const char *serial, history::CounterSource source,
                                     const std::pair<QDate, CounterReading> &from,
                                     const std::pair<QDate, CounterReading> &to) {
            for (const auto &[date, c] : {from, to})
                store.addCounters({date.startOfDay().toMSecsSinceEpoch(), QString::fromLatin1(serial), source,
                                   c.active, c.inductive, c.capacitive});
        };
        report("510001", history::CounterSource::MeterReport, {QDate(2026, 10, 22), {0, 0, 0, 0}},
               {november.addDays(10), {0, 2000, 320, 0}});
        report("510001", history::CounterSource::MeterReport, {november.addDays(10), {0, 2000, 320, 0}},
               {november.addDays(20), {0, 3000, 800, 0}});
        report("310001", history::CounterSource::AnalyzerReport, {QDate(2026, 10, 1), {0, 0, 0, 0}},
               {november.addDays(5), {0, 100, 90, 0}});
        store.flush(november.startOfDay());
    }
    history::HistoryReader reader(m_history);
    ASSERT_TRUE(reader.open());
    const auto devices = MonthlyReport::collect(
        reader, {QString(), november, {QStringLiteral("510001"), QStringLiteral("310001")}},
        november.addDays(20).startOfDay().toMSecsSinceEpoch());
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].info.serial, QStringLiteral("510001"));
    ASSERT_TRUE(devices[0].month.hasCounters);
    // From the October stretch, 10 of its 20 days: 1000 kWh and 160 kVArh; then 1000 and 480.
    EXPECT_NEAR(devices[0].month.active, 2000, 1e-6);
    EXPECT_NEAR(devices[0].month.toDate.ratios.inductive, 32, 1e-6);
    EXPECT_EQ(devices[0].days.size(), 20u);
    EXPECT_EQ(devices[0].source, history::CounterSource::MeterReport);
    EXPECT_EQ(devices[1].info.serial, QStringLiteral("310001"));
    EXPECT_NEAR(devices[1].month.toDate.ratios.inductive, 9, 1e-9);
    EXPECT_EQ(devices[1].source, history::CounterSource::Analyzer);
}
