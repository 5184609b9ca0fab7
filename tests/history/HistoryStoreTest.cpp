#include "history/HistoryStore.h"
#include "HistoryTestApp.h"
#include "history/HistoryReader.h"
#include "history/Quantities.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace korvel::history;

namespace
{
const QDateTime T0(QDate(2026, 1, 15), QTime(10, 30, 0));
const double None = std::nan("");

Sample sample(const QDateTime &at, double v1, const QString &device = QStringLiteral("12001"))
{
    std::vector<double> values(quantities().size(), None);
    values[0] = v1;
    return {at.toMSecsSinceEpoch(), device, std::move(values)};
}

struct Stored {
    qint64 t;
    std::vector<double> values;
};

std::vector<Stored> readAll(const QString &file, const QString &device = QStringLiteral("12001"))
{
    HistoryReader reader(file);
    EXPECT_TRUE(reader.open()) << reader.errorText().toStdString();
    std::vector<Stored> rows;
    reader.forEachSample(device, 0, std::numeric_limits<qint64>::max(),
                         [&](qint64 t, const std::vector<double> &v) {
                             rows.push_back({t, v});
                         });
    return rows;
}

class HistoryStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        historyTestApp();
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("history.sqlite"));
    }
    QTemporaryDir dir;
    QString file;
};
} // namespace

// Values the reply did not carry stay empty, not a number; a clock set back keeps the arrival order.
TEST_F(HistoryStoreTest, KeepsRepliesInArrivalOrderWithTheirGaps)
{
    {
        HistoryStore store(file);
        store.addSample(sample(T0.addSecs(10), 231.5));
        Sample partial = sample(T0, None);
        partial.values[6] = 12.25;
        store.addSample(std::move(partial));
        EXPECT_FALSE(QFile::exists(file)) << "nothing is written before the timer";
        store.flush(T0);
        EXPECT_EQ(store.state(), HistoryStore::State::Recording);
        store.addSample(sample(T0.addSecs(5), 232));
        // Closing writes what the timer has not yet written.
    }
    const auto rows = readAll(file);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].t, T0.addSecs(10).toMSecsSinceEpoch());
    EXPECT_EQ(rows[0].values[0], 231.5);
    EXPECT_TRUE(std::isnan(rows[0].values[6]));
    EXPECT_TRUE(std::isnan(rows[1].values[0]));
    EXPECT_EQ(rows[1].values[6], 12.25);
    EXPECT_EQ(rows[2].values[0], 232);
    EXPECT_TRUE(readAll(file, QStringLiteral("99999")).empty());
}

// Every pixel column keeps its least and greatest value, so a one-sample spike survives; a span
// with no data gives no column.
TEST_F(HistoryStoreTest, DecimatesToMinimumAndMaximumPerColumn)
{
    {
        HistoryStore store(file);
        for (int i = 0; i < 10000; ++i) {
            if (i >= 5000 && i < 6000)
                continue; // the link was down
            store.addSample(sample(T0.addSecs(i), i == 1234 ? 400.0 : 230.0 + (i % 3)));
        }
        store.flush(T0);
    }
    HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const qint64 from = T0.toMSecsSinceEpoch(), to = T0.addSecs(9999).toMSecsSinceEpoch();
    const auto columns = reader.decimated(QStringLiteral("12001"), 0, from, to, 100);
    ASSERT_EQ(columns.size(), 90u);
    double highest = 0;
    for (const auto &c : columns) {
        EXPECT_GE(c.min, 230.0);
        EXPECT_FALSE(c.index >= 50 && c.index < 60) << "a column inside the gap: " << c.index;
        highest = std::max(highest, c.max);
    }
    EXPECT_EQ(highest, 400.0);
    EXPECT_EQ(columns[12].max, 400.0);
    EXPECT_EQ(reader.series(QStringLiteral("12001"), 0, from, to).size(), 9000u);
    EXPECT_TRUE(reader.series(QStringLiteral("12001"), 6, from, to).empty()) << "I1 never came";
}

// Long ranges are read from the per-minute summary: each column must hold the extremes of exactly the
// samples in it, whether the summary was written along with the samples (a spike, a hole, a clock set
// back into an earlier minute) or made afterwards from a file that had none.
TEST_F(HistoryStoreTest, LongRangesFromTheMinuteSummaryMatchTheSamples)
{
    const QString device = QStringLiteral("12001");
    const qint64 from = T0.toMSecsSinceEpoch(), to = T0.addSecs(3 * 3600).toMSecsSinceEpoch() - 1;
    for (const bool rebuilt : {false, true}) {
        SCOPED_TRACE(rebuilt ? "summary made from an older file" : "summary written along");
        QFile::remove(file);
        {
            HistoryStore store(file);
            for (int k = 0; k < 3 * 720; ++k) {
                if (k >= 1000 && k < 1200)
                    continue; // no data for a while
                store.addSample(sample(T0.addSecs(5 * k), k == 345 ? 400.0 : 230.0 + (k % 7)));
                if (k % 12 == 11)
                    store.flush(T0);
            }
            store.addSample(sample(T0.addSecs(61), 180.0)); // the clock set back into the second minute
        }
        if (rebuilt) {
            {
                QSqlDatabase db =
                    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("drop"));
                db.setDatabaseName(file);
                ASSERT_TRUE(db.open());
                ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("DROP TABLE sample_minute")));
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("drop"));
            HistoryStore store(file);
            store.addSample(sample(T0.addSecs(4 * 3600), 230.0));
            store.flush(T0);
        }
        HistoryReader reader(file);
        ASSERT_TRUE(reader.open());
        const int columns = 30; // six minutes each
        const auto summary = reader.decimated(device, 0, from, to, columns);
        std::vector<std::pair<double, double>> expected(columns, {INFINITY, -INFINITY});
        for (const auto &p : reader.series(device, 0, from, to)) {
            auto &[lo, hi] = expected[std::size_t((p.timeMs - from) * columns / (to - from + 1))];
            lo = std::min(lo, p.value);
            hi = std::max(hi, p.value);
        }
        std::size_t next = 0;
        for (int c = 0; c < columns; ++c) {
            if (!std::isfinite(expected[std::size_t(c)].first))
                continue;
            ASSERT_LT(next, summary.size());
            EXPECT_EQ(summary[next].index, c);
            EXPECT_EQ(summary[next].min, expected[std::size_t(c)].first) << "column " << c;
            EXPECT_EQ(summary[next].max, expected[std::size_t(c)].second) << "column " << c;
            ++next;
        }
        EXPECT_EQ(next, summary.size());
        EXPECT_EQ(summary[0].min, 180.0);
        EXPECT_EQ(summary[4].max, 400.0);
    }
}

TEST_F(HistoryStoreTest, KeepsEventsByDeviceAndKind)
{
    {
        HistoryStore store(file);
        store.addEvent({T0.toMSecsSinceEpoch(), QStringLiteral("12001"), EventKind::Input,
                        QStringLiteral("5"), QStringLiteral("Girişler: 1, 3")});
        store.addEvent({T0.addSecs(1).toMSecsSinceEpoch(), QString(), EventKind::Message,
                        QStringLiteral("Bakım"), QStringLiteral("Yarın 09:00, \"şalt\" odası")});
        store.flush(T0);
    }
    HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto all = reader.events(QString(), {}, 0, std::numeric_limits<qint64>::max());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].body, QStringLiteral("Yarın 09:00, \"şalt\" odası"));
    const auto inputs =
        reader.events(QStringLiteral("12001"), {EventKind::Input}, 0, std::numeric_limits<qint64>::max());
    ASSERT_EQ(inputs.size(), 1u);
    EXPECT_EQ(inputs[0].title, QStringLiteral("5"));
}

// Older than the retention goes at the next opening; the settings live in the file.
TEST_F(HistoryStoreTest, DropsWhatIsOlderThanTheRetention)
{
    {
        HistoryStore store(file);
        store.addSample(sample(T0.addDays(-3), 1));
        store.addSample(sample(T0, 2));
        store.flush(T0);
        ASSERT_TRUE(store.setRetention(2, HistoryStore::DefaultMaxBytes));
    }
    {
        HistoryStore store(file);
        store.addSample(sample(T0.addSecs(1), 3));
        store.flush(T0);
    }
    const auto rows = readAll(file);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].values[0], 2);
    // A long range is drawn from the per-minute summary: the dropped value must be gone from it too.
    HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto columns = reader.decimated(QStringLiteral("12001"), 0, T0.addDays(-4).toMSecsSinceEpoch(),
                                          T0.addDays(1).toMSecsSinceEpoch(), 100);
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns.front().min, 2);
}

TEST_F(HistoryStoreTest, ASecondClientRecordsNothingAndSaysSoOnce)
{
    HistoryStore first(file);
    first.addSample(sample(T0, 1));
    first.flush(T0);
    HistoryStore second(file);
    QSignalSpy told(&second, &HistoryStore::message);
    for (int i = 0; i < 3; ++i) {
        second.addSample(sample(T0, 99));
        second.flush(T0);
    }
    EXPECT_EQ(second.state(), HistoryStore::State::Stopped);
    ASSERT_EQ(told.count(), 1);
    EXPECT_TRUE(told[0][0].toString().contains(QStringLiteral("başka bir Korvel")));
    first.addSample(sample(T0.addSecs(5), 2));
    first.flush(T0);
    const auto rows = readAll(file);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].values[0], 2);
}

// A full disk stops the recording with one message; what was committed stays readable.
TEST_F(HistoryStoreTest, AFullDiskStopsTheRecordingAndKeepsWhatWasStored)
{
    HistoryStore store(file);
    store.setPageLimit(12);
    QSignalSpy told(&store, &HistoryStore::message);
    int committed = 0;
    for (int i = 0; i < 200 && store.state() != HistoryStore::State::Stopped; ++i) {
        for (int k = 0; k < 50; ++k)
            store.addSample(sample(T0.addSecs(i * 50 + k), i));
        store.flush(T0);
        if (store.state() == HistoryStore::State::Recording)
            committed = (i + 1) * 50;
    }
    ASSERT_EQ(store.state(), HistoryStore::State::Stopped);
    store.addSample(sample(T0, 5));
    store.flush(T0);
    ASSERT_EQ(told.count(), 1);
    EXPECT_TRUE(told[0][0].toString().contains(QStringLiteral("yazılamıyor")));
    EXPECT_EQ(store.pendingCount(), 0);
    EXPECT_GT(committed, 0);
    EXPECT_EQ(int(readAll(file).size()), committed);
}

// A folder that cannot be made (its parent is a file) or written: one message, and the client goes on.
TEST_F(HistoryStoreTest, AFolderThatCannotBeWrittenStopsTheRecordingOnce)
{
    QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QStringList files{dir.filePath(QStringLiteral("not-a-folder/history.sqlite"))};
    if (geteuid() != 0) { // root writes through any mode
        QDir().mkpath(dir.filePath(QStringLiteral("ro")));
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        files << dir.filePath(QStringLiteral("ro/history.sqlite"));
    }
    for (const QString &f : files) {
        HistoryStore store(f);
        QSignalSpy told(&store, &HistoryStore::message);
        for (int i = 0; i < 3; ++i) {
            store.addSample(sample(T0, 1));
            store.flush(T0);
        }
        EXPECT_EQ(store.state(), HistoryStore::State::Stopped) << f.toStdString();
        EXPECT_EQ(told.count(), 1) << f.toStdString();
        EXPECT_EQ(store.pendingCount(), 0);
    }
}

// A file that is no database, or whose first page is damaged, is moved aside, dated, and a new one
// takes the samples.
TEST_F(HistoryStoreTest, ADamagedFileIsMovedAsideAndANewOneStarted)
{
    const struct {
        const char *name;
        std::function<void(const QString &)> damage;
    } cases[] = {
        {"not a database",
         [](const QString &f) {
             QFile out(f);
             ASSERT_TRUE(out.open(QIODevice::WriteOnly));
             out.write(QByteArray("Zaman;Cihaz\r\n").repeated(500));
         }},
        {"first page overwritten",
         [](const QString &f) {
             {
                 HistoryStore store(f);
                 store.addSample(sample(T0, 1));
                 store.flush(T0);
             }
             QFile out(f);
             ASSERT_TRUE(out.open(QIODevice::ReadWrite));
             out.seek(100);
             out.write(QByteArray(3000, '\xA5'));
         }},
    };
    for (const auto &c : cases) {
        QTemporaryDir caseDir;
        const QString f = caseDir.filePath(QStringLiteral("history.sqlite"));
        c.damage(f);
        const QByteArray damaged = [&] {
            QFile in(f);
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
        }();
        {
            HistoryStore store(f);
            QSignalSpy told(&store, &HistoryStore::message);
            store.addSample(sample(T0, 230));
            store.flush(T0.addSecs(7));
            store.addSample(sample(T0.addSecs(5), 231));
            store.flush(T0.addSecs(8));
            EXPECT_EQ(told.count(), 1) << c.name;
            EXPECT_EQ(store.state(), HistoryStore::State::Recording) << c.name;
        }
        QFile aside(f + QStringLiteral(".damaged-2026-01-15-103007"));
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly)) << c.name;
        EXPECT_EQ(aside.readAll(), damaged) << c.name;
        const auto rows = readAll(f);
        ASSERT_EQ(rows.size(), 2u) << c.name;
        EXPECT_EQ(rows[1].values[0], 231);
    }
}

// Killed between or inside its writes, the writer loses nothing it had committed, and the next
// client takes over the file and its lock.
TEST_F(HistoryStoreTest, AKilledWriterLosesNothingCommitted)
{
    QProcess writer;
    writer.start(QStringLiteral(HISTORY_WRITER), {file});
    ASSERT_TRUE(writer.waitForStarted());
    qint64 committed = 0;
    while (committed < 300 && writer.waitForReadyRead(10000)) {
        while (writer.canReadLine())
            committed = writer.readLine().trimmed().toLongLong();
    }
    writer.kill();
    writer.waitForFinished();
    while (writer.canReadLine())
        committed = writer.readLine().trimmed().toLongLong();
    ASSERT_GE(committed, 300);
    EXPECT_GE(qint64(readAll(file).size()), committed);
    {
        HistoryReader reader(file);
        ASSERT_TRUE(reader.open());
    }
    HistoryStore next(file);
    next.addSample(sample(T0, 1));
    next.flush(T0);
    EXPECT_EQ(next.state(), HistoryStore::State::Recording);
}

// An acknowledgement is kept in the file; a file written before acknowledgements existed gains their
// columns when it is opened, and its events stay.
TEST_F(HistoryStoreTest, KeepsAcknowledgementsAlsoInOlderFiles)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(
            q.exec(QStringLiteral("CREATE TABLE event(id INTEGER PRIMARY KEY, t INTEGER NOT NULL, "
                                  "device TEXT NOT NULL, kind INTEGER NOT NULL, title TEXT, body TEXT)")));
        // An hour old: within the retention, which the opening applies.
        q.prepare(QStringLiteral(
            "INSERT INTO event(t,device,kind,title,body) VALUES(?,'12001',1,'5','Girişler: 1, 3')"));
        q.addBindValue(T0.addSecs(-3600).toMSecsSinceEpoch());
        ASSERT_TRUE(q.exec());
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    {
        HistoryStore store(file);
        store.addEvent({T0.toMSecsSinceEpoch(), QStringLiteral("12001"), EventKind::Input,
                        QStringLiteral("1"), QStringLiteral("Girişler: 1")});
        store.flush(T0);
        ASSERT_EQ(store.state(), HistoryStore::State::Recording);
        store.acknowledge(1, QStringLiteral("ayşe"), T0.addSecs(30).toMSecsSinceEpoch());
        QSignalSpy written(&store, &HistoryStore::eventsWritten);
        store.flush(T0.addSecs(30));
        EXPECT_EQ(written.count(), 1);
        // A second acknowledgement of the same alarm keeps the first.
        store.acknowledge(1, QStringLiteral("mehmet"), T0.addSecs(60).toMSecsSinceEpoch());
    }
    HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto events = reader.events(QString(), {EventKind::Input}, 0, std::numeric_limits<qint64>::max());
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].body, QStringLiteral("Girişler: 1, 3"));
    EXPECT_EQ(events[0].ackedBy, QStringLiteral("ayşe"));
    EXPECT_EQ(events[0].ackedAtMs, T0.addSecs(30).toMSecsSinceEpoch());
    EXPECT_TRUE(events[1].ackedBy.isEmpty());
}

// A stream of replies costs the file one sample per device and second: later ones of the same second
// replace the values they carry, also after that second's sample was written.
TEST_F(HistoryStoreTest, KeepsOneSamplePerDeviceAndSecond)
{
    {
        HistoryStore store(file);
        for (int i = 0; i < 500; ++i)
            store.addSample(sample(T0.addMSecs(i), 200 + i));
        Sample current = sample(T0.addMSecs(600), None);
        current.values[6] = 12.5;
        store.addSample(std::move(current));
        store.addSample(sample(T0.addMSecs(700), 5, QStringLiteral("12002")));
        store.flush(T0);
        // The same second, after the flush: the row written is updated, not joined by another.
        store.addSample(sample(T0.addMSecs(900), 999));
        store.flush(T0.addSecs(1));
        store.addSample(sample(T0.addSecs(1), 7));
    }
    const auto rows = readAll(file);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].t, T0.addMSecs(900).toMSecsSinceEpoch());
    EXPECT_EQ(rows[0].values[0], 999);
    EXPECT_EQ(rows[0].values[6], 12.5) << "a value the later reply did not carry stays";
    EXPECT_EQ(rows[1].values[0], 7);
    EXPECT_EQ(readAll(file, QStringLiteral("12002")).size(), 1u);
}

// The size limit holds while the client runs: once a minute of flushes the oldest samples go, until
// file and journal together are within it.
TEST_F(HistoryStoreTest, KeepsTheSizeLimitWhileRecording)
{
    constexpr qint64 limit = 4 << 20;
    constexpr int devices = 40;
    int second = 1;
    {
        HistoryStore store(file);
        store.addSample(sample(T0, 1));
        store.flush(T0);
        ASSERT_TRUE(store.setRetention(HistoryStore::DefaultRetentionDays, limit));
        for (int minute = 0; minute < 8; ++minute) {
            for (int f = 0; f < HistoryStore::FlushesPerSizeCheck; ++f, ++second) {
                for (int d = 0; d < devices; ++d) {
                    // Every quantity, as a full register dump brings them.
                    Sample full = sample(T0.addSecs(second), second, QString::number(12001 + d));
                    std::fill(full.values.begin() + 1, full.values.end(), second + d * 0.5);
                    store.addSample(std::move(full));
                }
                store.flush(T0.addSecs(second));
            }
        }
        ASSERT_EQ(store.state(), HistoryStore::State::Recording);
    }
    // Closing merged the journal; at most the minute since the last check is over the limit.
    EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal")));
    EXPECT_LT(QFileInfo(file).size(), limit + limit / 2);
    const auto rows = readAll(file);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.front().t, T0.addSecs(60).toMSecsSinceEpoch()) << "the oldest went first";
    EXPECT_EQ(rows.back().values[0], second - 1);
}

// Noise written over the file while it records is found at the next flush: the file is moved aside,
// told where, and the samples go into a new one. A file damaged inside (its header intact) is found by
// the check at opening, which runs off the caller's thread.
TEST_F(HistoryStoreTest, NoiseWrittenIntoTheFileMovesItAside)
{
    const auto noise = [](const QString &f, qint64 at) {
        QFile out(f);
        ASSERT_TRUE(out.open(QIODevice::ReadWrite));
        out.seek(at);
        QByteArray bytes(64 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919 + 13) & 0xFF);
        out.write(bytes);
    };
    {
        HistoryStore store(file);
        for (int i = 0; i < 3; ++i) {
            store.addSample(sample(T0.addSecs(i), i));
            store.flush(T0.addSecs(i));
        }
    }
    {
        HistoryStore store(file);
        QSignalSpy told(&store, &HistoryStore::message);
        store.addSample(sample(T0.addSecs(10), 10));
        store.flush(T0.addSecs(10));
        ASSERT_EQ(store.state(), HistoryStore::State::Recording);
        noise(file, 0);
        store.addSample(sample(T0.addSecs(11), 11));
        store.flush(T0.addSecs(11));
        EXPECT_EQ(store.state(), HistoryStore::State::Recording);
        ASSERT_EQ(told.count(), 1);
        const QString aside = file + QStringLiteral(".damaged-2026-01-15-103011");
        EXPECT_TRUE(told[0][0].toString().contains(QDir::toNativeSeparators(aside)))
            << told[0][0].toString().toStdString();
        EXPECT_TRUE(QFile::exists(aside));
    }
    auto rows = readAll(file);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].values[0], 11);

    // Damage past the header, at start.
    QTemporaryDir other;
    const QString damaged = other.filePath(QStringLiteral("history.sqlite"));
    {
        HistoryStore store(damaged);
        for (int i = 0; i < 3000; ++i)
            store.addSample(sample(T0.addSecs(i), i));
        store.flush(T0);
    }
    noise(damaged, 8192);
    HistoryStore store(damaged);
    QSignalSpy told(&store, &HistoryStore::message);
    store.addSample(sample(T0.addSecs(5000), 5000));
    store.flush(T0.addSecs(5000));
    if (told.isEmpty()) {
        ASSERT_TRUE(told.wait(10000)) << "the check at opening found nothing";
    }
    EXPECT_TRUE(told[0][0].toString().contains(QStringLiteral("bozuktu")));
    EXPECT_EQ(store.state(), HistoryStore::State::Recording);
    EXPECT_TRUE(QFile::exists(damaged + QStringLiteral(".damaged-2026-01-15-115320")));
    store.addSample(sample(T0.addSecs(5001), 5001));
    store.flush(T0.addSecs(5001));
    HistoryReader reader(damaged);
    ASSERT_TRUE(reader.open());
}

// A stopped recording tries again once a minute and says when it writes again.
TEST_F(HistoryStoreTest, AStoppedRecordingResumesWhenTheFileIsFreeAgain)
{
    auto first = std::make_unique<HistoryStore>(file);
    first->addSample(sample(T0, 1));
    first->flush(T0);
    HistoryStore second(file);
    QSignalSpy told(&second, &HistoryStore::message);
    QSignalSpy resumed(&second, &HistoryStore::recordingResumed);
    second.addSample(sample(T0.addSecs(1), 2));
    second.flush(T0.addSecs(1));
    ASSERT_EQ(second.state(), HistoryStore::State::Stopped);
    for (int i = 0; i < HistoryStore::FlushesPerRetry; ++i)
        second.flush(T0.addSecs(2));
    second.addSample(sample(T0.addSecs(3), 3));
    second.flush(T0.addSecs(3));
    EXPECT_EQ(second.state(), HistoryStore::State::Stopped) << "the first still holds the file";
    EXPECT_EQ(told.count(), 1) << "a retry that fails alike says nothing new";
    first.reset();
    for (int i = 0; i < HistoryStore::FlushesPerRetry; ++i)
        second.flush(T0.addSecs(4));
    second.addSample(sample(T0.addSecs(5), 5));
    second.flush(T0.addSecs(5));
    EXPECT_EQ(second.state(), HistoryStore::State::Recording);
    EXPECT_EQ(resumed.count(), 1);
    EXPECT_EQ(told.count(), 1);
}
