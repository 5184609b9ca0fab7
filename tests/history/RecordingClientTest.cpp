#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "history/HistoryReader.h"
#include "history/Quantities.h"
#include "link/ReplyDispatcher.h"
#include "ui/ClientWindows.h"
#include "values/DeviceValueTable.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
// A client of its own recording into `file`, as the program builds it.
struct RecordingClient {
    explicit RecordingClient(const QString &file)
    {
        environment.setHistoryFile(file);
        client = std::make_unique<Client>(environment, link);
    }
    void receive(const QString &chunk) { client->dispatcher().dispatch(chunk); }
    // A register dump of V1 alone, as the reply to "enertum" brings it.
    void dumpV1(const char *floatBytes)
    {
        client->state().pendingKind = QStringLiteral("anideger");
        client->valueTable().setSlotCursor(0);
        receive(QStringLiteral("enerjial\x01\x01\x01") + QStringLiteral("1$3$4$") +
                QString::fromLatin1(floatBytes));
    }
    void tick() { environment.ticker(QStringLiteral("TFrmAna.TimerHistory"))->fire(); }
    QString status() { return client->windows().screen().caption(QStringLiteral("LblMesaj")); }

    ScenarioEnvironment environment;
    MemoryLink link;
    std::unique_ptr<Client> client;
};

std::vector<std::vector<double>> samples(const QString &file, const QString &device)
{
    history::HistoryReader reader(file);
    EXPECT_TRUE(reader.open());
    std::vector<std::vector<double>> rows;
    reader.forEachSample(device, 0, std::numeric_limits<qint64>::max(),
                         [&](qint64, const std::vector<double> &v) { rows.push_back(v); });
    return rows;
}

class RecordingClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::application("history_client_tests");
        file = dir.filePath(QStringLiteral("history.sqlite"));
    }
    QTemporaryDir dir;
    QString file;
};
} // namespace

TEST_F(RecordingClientTest, ASecondClientOnTheSameFileSaysSoOnceAndTheFirstGoesOn)
{
    RecordingClient first(file), second(file);
    first.dumpV1("67$102$0$0$");
    first.tick();
    second.dumpV1("67$103$0$0$");
    second.tick();
    EXPECT_TRUE(second.status().contains(QStringLiteral("başka bir Korvel")))
        << second.status().toStdString();
    second.dumpV1("67$103$0$0$");
    second.tick();
    EXPECT_FALSE(second.status().contains(QStringLiteral("başka bir Korvel"))) << "said once";
    first.dumpV1("67$104$0$0$");
    first.tick();
    EXPECT_FALSE(first.status().contains(QStringLiteral("Geçmiş")));
    const auto rows = samples(file, QStringLiteral("12001"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], 230);
    EXPECT_EQ(rows[1][0], 232);
}

// Value records are kept under the device they name, every entry they carried; other replies as events.
TEST_F(RecordingClientTest, KeepsValueRecordsUnderTheirDeviceAndNoticesAsEvents)
{
    {
        RecordingClient c(file);
        QString records;
        for (int entry = 0; entry < 45; ++entry)
            records += entry == 43 ? QStringLiteral("$100005   ")
                                   : QStringLiteral("$0%1").arg(23000 + entry, 8, 10, QLatin1Char('0'));
        c.receive(QStringLiteral("cihazenerji\x01"
                                 "310002\x01"
                                 "fabrika\x01") +
                  records + QStringLiteral("\x01\x01"));
        c.receive(QStringLiteral("input\x01"
                                 "310002\x01"
                                 "1$2$3$4$5$6$7$5\x01"));
        c.receive(QStringLiteral("mesajvar\x01"
                                 "Bakım\x01"
                                 "Yarın şalt odası\x01\x01"));
        c.tick();
    }
    const auto rows = samples(file, QStringLiteral("310002"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(rows[0][0], 23.0); // "00023000" with its point after the fifth digit
    EXPECT_DOUBLE_EQ(rows[0][6], 23.006);
    history::HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto events = reader.events(QString(), {}, 0, std::numeric_limits<qint64>::max());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].device, QStringLiteral("310002"));
    EXPECT_EQ(events[0].body, QStringLiteral("Girişler: 1, 3"));
    EXPECT_EQ(events[1].title, QStringLiteral("Bakım"));
    EXPECT_EQ(events[1].body, QStringLiteral("Yarın şalt odası"));
}

// Without a history file the client records nothing and has no history timer.
TEST_F(RecordingClientTest, WithoutAFileNothingIsRecorded)
{
    RecordingClient c{QString()};
    c.dumpV1("67$102$0$0$");
    EXPECT_EQ(c.environment.ticker(QStringLiteral("TFrmAna.TimerHistory")), nullptr);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}
