#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "history/HistoryReader.h"
#include "history/Quantities.h"
#include "link/ReplyDispatcher.h"
#include "link/RequestLedger.h"
#include "ui/ClientWindows.h"
#include "ui/EventsWindow.h"
#include "ui/MainWindow.h"
#include "values/DeviceValueTable.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTableWidget>
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
    // A second later: a dump of the same second would replace the first one's sample.
    first.environment.setNow(first.environment.now().addSecs(1));
    first.dumpV1("67$104$0$0$");
    first.tick();
    EXPECT_FALSE(first.status().contains(QStringLiteral("Geçmiş")));
    const auto rows = samples(file, QStringLiteral("12001"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], 230);
    EXPECT_EQ(rows[1][0], 232);
}

// Value records are kept under the device they name, every entry they carried; other replies as events.
// A click on a second device before the first one's values came: the next dump may be either's and is
// filed under neither; the one after it answers the second device alone.
TEST_F(RecordingClientTest, AReplyThatCouldBeEitherOfTwoDevicesIsFiledUnderNeither)
{
    {
        RecordingClient c(file);
        RequestLedger &ledger = c.client->ledger();
        for (const char *serial : {"310001", "310002"})
            ledger.noteSent(QStringLiteral("enertum\x01%1\x01\xF4\xF4\xF4").arg(QLatin1String(serial)),
                            c.environment.now());
        c.dumpV1("67$102$0$0$");
        c.environment.setNow(c.environment.now().addSecs(1));
        c.dumpV1("67$104$0$0$");
        c.tick();
    }
    EXPECT_TRUE(samples(file, QStringLiteral("310001")).empty());
    const auto rows = samples(file, QStringLiteral("310002"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], 232);
}

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

// Every period report is kept; one whose class calls for action is an event of its own as well.
TEST_F(RecordingClientTest, APenaltyOrCriticalClassIsAnEventOfItsOwn)
{
    {
        RecordingClient c(file);
        c.receive(QStringLiteral("reaktifenerji\x01"
                                 "12001\x01"
                                 "a\x01"
                                 "b\x01"
                                 "0\x01"
                                 "1000\x01"
                                 "0\x01"
                                 "10\x01"
                                 "0\x01"
                                 "5\x01"));
        c.receive(QStringLiteral("reaktifenerji\x01"
                                 "12001\x01"
                                 "a\x01"
                                 "b\x01"
                                 "0\x01"
                                 "1000\x01"
                                 "0\x01"
                                 "200\x01"
                                 "0\x01"
                                 "150\x01"));
        c.tick();
    }
    history::HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto all = [&](history::EventKind kind) {
        return reader.events(QString(), {kind}, 0, std::numeric_limits<qint64>::max());
    };
    EXPECT_EQ(all(history::EventKind::PeriodReport).size(), 2u);
    const auto penalties = all(history::EventKind::Penalty);
    ASSERT_EQ(penalties.size(), 1u) << "the normal report is no penalty";
    EXPECT_TRUE(penalties[0].title.contains(QStringLiteral("CEZA"))) << penalties[0].title.toStdString();
}

// Without a history file the client records nothing and has no history timer.
TEST_F(RecordingClientTest, WithoutAFileNothingIsRecorded)
{
    RecordingClient c{QString()};
    c.dumpV1("67$102$0$0$");
    EXPECT_EQ(c.environment.ticker(QStringLiteral("TFrmAna.TimerHistory")), nullptr);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// A link lost after the login is an event with the reason the status line gave, and its return one
// more; an input notice also raises a desktop notification naming the device, the inputs and the time.
TEST_F(RecordingClientTest, KeepsLostAndRegainedLinksAndNotifiesInputNotices)
{
    {
        RecordingClient c(file);
        c.client->start();
        Screen &screen = c.client->windows().screen();
        screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("ayse"));
        screen.setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("gizli"));
        c.client->connection().connectClicked();
        c.link.setConnected();
        // The login's answer: every right.
        const QString rights = QStringLiteral("tblhaklar\x01"
                                              "1\x01"
                                              "1\x01"
                                              "1\x01"
                                              "1\x01"
                                              "1\x01"
                                              "1\x01");
        c.receive(rights);
        c.link.setDisconnected();
        c.environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"))->fire();
        c.link.setConnected();
        c.receive(rights);
        c.receive(QStringLiteral("input\x01"
                                 "310002\x01"
                                 "1$2$3$4$5$6$7$5\x01"));
        EXPECT_EQ(c.client->windows().screen().lastNotification(),
                  (QStringList{QStringLiteral("Giriş alarmı: 310002"),
                               QStringLiteral("Girişler: 1, 3\n%1 10:30:00")
                                   .arg(QLocale().toString(QDate(2026, 1, 15), QLocale::ShortFormat))}));
        c.tick();
    }
    history::HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto events = reader.events(QString(), {}, 0, std::numeric_limits<qint64>::max());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, history::EventKind::LinkLost);
    EXPECT_EQ(events[0].title, QStringLiteral("ayse kullanıcısının ana bilgisayarla bağlantısı kesildi"));
    EXPECT_EQ(events[1].kind, history::EventKind::LinkUp);
    EXPECT_EQ(events[2].kind, history::EventKind::Input);
}

// The events window lists newest first, filters by device and kind, and an acknowledgement made in it
// is still there when the file is opened again.
TEST_F(RecordingClientTest, EventsWindowFiltersAndKeepsAcknowledgements)
{
    {
        RecordingClient c(file);
        c.client->state().userName = QStringLiteral("ayşe");
        c.receive(QStringLiteral("input\x01"
                                 "310002\x01"
                                 "1$2$3$4$5$6$7$5\x01"));
        c.environment.setNow(c.environment.now().addSecs(5));
        c.receive(QStringLiteral("input\x01"
                                 "310003\x01"
                                 "1$2$3$4$5$6$7$1\x01"));
        c.receive(QStringLiteral("mesajvar\x01"
                                 "Bakım\x01"
                                 "Yarın\x01\x01"));
        c.tick();
        auto *entry = c.client->windows().main().findChild<QAction *>(QStringLiteral("Olaylar1"));
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(c.client->windows().main().findChild<EventsWindow *>(), nullptr)
            << "built when first opened";
        entry->trigger();
        auto *window = c.client->windows().main().findChild<EventsWindow *>();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->table()->rowCount(), 3);
        EXPECT_EQ(window->table()->item(0, 2)->text(), QStringLiteral("Mesaj"));
        EXPECT_EQ(window->table()->item(2, 1)->text(), QStringLiteral("310002"));

        window->setFilter(QStringLiteral("310002"), history::EventKind::Input);
        ASSERT_EQ(window->table()->rowCount(), 1);
        window->setFilter(QString(), history::EventKind::Message);
        ASSERT_EQ(window->table()->rowCount(), 1);
        EXPECT_FALSE(window->acknowledgeRow(0)) << "only an input alarm is acknowledged";
        window->setFilter(QString(), history::EventKind::Input);
        ASSERT_EQ(window->table()->rowCount(), 2);
        EXPECT_TRUE(window->acknowledgeRow(1));
        EXPECT_EQ(window->table()->item(1, 4)->text(), QStringLiteral("ayşe"));
        EXPECT_FALSE(window->acknowledgeRow(1)) << "acknowledged once";

        // A notice that arrives while the window is open joins the list at the next write.
        window->show();
        c.receive(QStringLiteral("input\x01"
                                 "310002\x01"
                                 "1$2$3$4$5$6$7$2\x01"));
        c.tick();
        EXPECT_EQ(window->table()->rowCount(), 3);

        const QString csv = dir.filePath(QStringLiteral("olaylar.csv"));
        EXPECT_EQ(window->saveCsv(csv), QString());
        QFile saved(csv);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll().count("\r\n"), 4) << "header and the three alarms of the filter";
    }
    history::HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto events = reader.events(QStringLiteral("310002"), {history::EventKind::Input}, 0,
                                      std::numeric_limits<qint64>::max());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].ackedBy, QStringLiteral("ayşe"));
    EXPECT_EQ(events[0].ackedAtMs, QDateTime(QDate(2026, 1, 15), QTime(10, 30, 5)).toMSecsSinceEpoch());
}

// A recording that stops or whose file was damaged says so where it stays: the status bar line (which
// the next reply does not overwrite), the tray, and an event once one can be written.
TEST_F(RecordingClientTest, RecordingFaultsStayInTheStatusBar)
{
    RecordingClient c(file);
    Screen &screen = c.client->windows().screen();
    const auto line = [&] { return screen.caption(QStringLiteral("LblGecmis")); };
    c.dumpV1("67$102$0$0$");
    c.tick();
    EXPECT_TRUE(line().isEmpty());
    EXPECT_FALSE(screen.isVisible(QStringLiteral("StatusBar1")));

    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::ReadWrite));
        out.write(QByteArray(64 * 1024, '\x5A'));
    }
    c.environment.setNow(c.environment.now().addSecs(1));
    c.dumpV1("67$103$0$0$");
    c.tick();
    const QString aside = QDir::toNativeSeparators(file + QStringLiteral(".damaged-2026-01-15-103001"));
    EXPECT_TRUE(line().contains(aside)) << line().toStdString();
    EXPECT_TRUE(screen.isVisible(QStringLiteral("StatusBar1")));
    EXPECT_TRUE(c.client->windows().screen().lastNotification().join(u' ').contains(aside));
    c.environment.setNow(c.environment.now().addSecs(1));
    c.dumpV1("67$104$0$0$");
    c.tick();
    EXPECT_TRUE(line().contains(aside)) << "a reply does not overwrite it";
    EXPECT_TRUE(QFile::exists(file + QStringLiteral(".damaged-2026-01-15-103001")));
    {
        history::HistoryReader reader(file);
        ASSERT_TRUE(reader.open());
        const auto events =
            reader.events(QString(), {history::EventKind::Recording}, 0, std::numeric_limits<qint64>::max());
        ASSERT_EQ(events.size(), 1u);
        EXPECT_TRUE(events[0].title.contains(aside));
        EXPECT_EQ(samples(file, QStringLiteral("12001")).size(), 2u) << "the new file took the samples";
    }

    RecordingClient second(file);
    second.dumpV1("67$105$0$0$");
    second.tick();
    Screen &secondScreen = second.client->windows().screen();
    EXPECT_TRUE(
        secondScreen.caption(QStringLiteral("LblGecmis")).contains(QStringLiteral("başka bir Korvel")));
    EXPECT_TRUE(secondScreen.isVisible(QStringLiteral("StatusBar1")));
}
