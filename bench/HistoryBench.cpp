// The history store: recording a register dump's values through the store against plain sqlite3
// inserts of the same values in the same batching and the same schema; the file size of one device-day
// at one dump every 5 s; a 30-day range query of one quantity decimated to 1,000 pixel columns, and the
// same from the query to a chart drawn into an image 1,200 pixels wide.
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/Quantities.h"
#include "trends/TrendPainter.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <sqlite3.h>

using namespace korvel::history;

namespace
{
const QDateTime T0(QDate(2026, 1, 1), QTime(0, 0));
const QString Device = QStringLiteral("310001");

// A register dump's values as the decoders give them: singles, with the frequency and inputs of slot 35.
std::vector<double> dumpValues(qint64 n)
{
    std::vector<double> v(quantities().size());
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = double(float(100.0 + 10.0 * std::sin(double(n) / 500.0 + double(i)) + double(i)));
    v.back() = double(n % 256);
    v[v.size() - 2] = 50.0;
    return v;
}

void prepareSchema(const QString &file)
{
    HistoryStore store(file);
    store.addSample({T0.toMSecsSinceEpoch(), Device, dumpValues(0)});
    store.flush(T0);
}

void Store(benchmark::State &state)
{
    QTemporaryDir dir;
    HistoryStore store(dir.filePath(QStringLiteral("h.sqlite")));
    const int batch = int(state.range(0));
    qint64 n = 0;
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i, ++n)
            store.addSample({T0.addSecs(5 * n).toMSecsSinceEpoch(), Device, dumpValues(n)});
        store.flush(T0);
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

void PlainSqlite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("h.sqlite"));
    prepareSchema(file);
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    const std::size_t n = quantities().size();
    std::string sql =
        "INSERT INTO sample(device,t," + HistoryDatabase::sampleColumns().toStdString() + ") VALUES(?,?";
    for (std::size_t i = 0; i < n; ++i)
        sql += ",?";
    sql += ")";
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr);
    const int batch = int(state.range(0));
    qint64 k = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int i = 0; i < batch; ++i, ++k) {
            const std::vector<double> v = dumpValues(k);
            sqlite3_bind_int64(insert, 1, 1);
            sqlite3_bind_int64(insert, 2, T0.addSecs(5 * k).toMSecsSinceEpoch());
            for (std::size_t q = 0; q < n; ++q)
                sqlite3_bind_double(insert, int(q) + 3, v[q]);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * batch);
}

// Fills days of one device at one dump every 5 s through sqlite3 directly (faster than the store,
// with the same rows).
void fill(const QString &file, int days)
{
    prepareSchema(file);
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    const std::size_t n = quantities().size();
    std::string sql =
        "INSERT INTO sample(device,t," + HistoryDatabase::sampleColumns().toStdString() + ") VALUES(1,?";
    for (std::size_t i = 0; i < n; ++i)
        sql += ",?";
    sql += ")";
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const qint64 start = T0.toMSecsSinceEpoch();
    for (qint64 k = 1; k < qint64(days) * 17280; ++k) {
        const std::vector<double> v = dumpValues(k);
        sqlite3_bind_int64(insert, 1, start + 5000 * k);
        for (std::size_t q = 0; q < n; ++q)
            sqlite3_bind_double(insert, int(q) + 2, v[q]);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(insert);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    // Rows written behind the store's back, as in a file from before the per-minute summary: the store
    // summarises them when it next opens the file.
    HistoryStore store(file);
    store.addSample({start + 5000 * qint64(days) * 17280, Device, dumpValues(0)});
    store.flush(T0);
}

const QString &thirtyDays()
{
    static QTemporaryDir dir;
    static const QString file = [] {
        const QString f = dir.filePath(QStringLiteral("30days.sqlite"));
        fill(f, 30);
        return f;
    }();
    return file;
}

void SizePerDeviceDay(benchmark::State &state)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("h.sqlite"));
        {
            // Through the store itself, one flush per dump as at one dump every 5 s; the longest flush
            // (a WAL checkpoint now and then) is what the UI thread may feel.
            HistoryStore store(file);
            double longest = 0;
            int over10ms = 0;
            for (qint64 k = 0; k < 17280; ++k) {
                store.addSample({T0.addSecs(5 * k).toMSecsSinceEpoch(), Device, dumpValues(k)});
                const auto start = std::chrono::steady_clock::now();
                store.flush(T0);
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count();
                longest = std::max(longest, ms);
                over10ms += ms > 10;
            }
            state.counters["longest_flush_ms"] = longest;
            state.counters["flushes_over_10ms"] = over10ms;
        }
        const double mib = double(QFileInfo(file).size()) / (1 << 20);
        state.counters["MiB_per_device_day"] = mib;
        if (mib > 8)
            state.SkipWithError("more than 8 MiB per device-day");
    }
}

void Query30DaysDecimated(benchmark::State &state)
{
    const QString &file = thirtyDays();
    HistoryReader reader(file);
    reader.open();
    const qint64 from = T0.toMSecsSinceEpoch(), to = T0.addDays(30).toMSecsSinceEpoch();
    std::size_t columns = 0;
    for (auto _ : state) {
        const auto result = reader.decimated(Device, 0, from, to, 1000);
        columns = result.size();
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["columns"] = double(columns);
    state.counters["MiB_30_days"] = double(QFileInfo(file).size()) / (1 << 20);
}
// What the chart does on opening a month: open the file, ask for one quantity in as many columns as the
// plot has pixels, draw it.
void Query30DaysDrawn(benchmark::State &state)
{
    const QString &file = thirtyDays();
    const qint64 from = T0.toMSecsSinceEpoch(), to = T0.addDays(30).toMSecsSinceEpoch();
    QImage image(1200, 500, QImage::Format_RGB32);
    for (auto _ : state) {
        HistoryReader reader(file);
        reader.open();
        korvel::trends::TrendView view;
        view.fromMs = from;
        view.toMs = to;
        view.locale = QLocale(QLocale::Turkish, QLocale::Turkey);
        const QRect plot = korvel::trends::TrendPainter::plotArea(image.size(), 1);
        view.series.push_back({QString::fromUtf8(quantities()[0].name),
                               korvel::trends::TrendPainter::seriesColour(0),
                               reader.decimated(Device, 0, from, to, plot.width())});
        view.cursorMs = from + (to - from) / 3;
        QPainter painter(&image);
        korvel::trends::TrendPainter::paint(painter, image.size(), view);
        benchmark::DoNotOptimize(image.constBits());
    }
}
} // namespace

BENCHMARK(Store)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainSqlite)->Arg(1)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(SizePerDeviceDay)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Query30DaysDecimated)->Unit(benchmark::kMillisecond);
BENCHMARK(Query30DaysDrawn)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
