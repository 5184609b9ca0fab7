// The overview, the penalty forecast and the monthly report, each beside a plain reference in the same
// run: an update pass of 100 value records into an overview of 10,000 devices (the model behind a
// sorted proxy and a table on the offscreen screen) beside the same 100 updates of plain structs; a
// sort of the 10,000 rows beside std::stable_sort of as many numbers; a month's forecast of one device
// from a history of 30 days at one reading every 5 s (read from the per-day summary) beside reading
// the same month's raw counters; a monthly report of 100 devices, with the peak memory of the process.
#include "fleet/FleetFilter.h"
#include "fleet/FleetModel.h"
#include "fleet/MonthlyReport.h"
#include "fleet/PenaltyWatch.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>
#include <sys/resource.h>

using namespace korvel;
using namespace korvel::fleet;

namespace
{
constexpr int Devices = 10'000;
constexpr int Pass = 100;
const QDateTime MonthStart(QDate(2026, 11, 1), QTime(0, 0));

void fillModel(FleetModel &model)
{
    for (int i = 0; i < Devices; ++i)
        model.addDevice(QStringLiteral("GRUP %1").arg(i % 50), QStringLiteral("Pano %1").arg(i),
                        QString::number(300000 + i), 0);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> cos(0.8, 1.0);
    for (int i = 0; i < Devices; ++i)
        model.dataArrived(i, MonthStart.toMSecsSinceEpoch(), cos(random), 10 + i % 97, 5 + i % 31);
}

void UpdatePass(benchmark::State &state)
{
    FleetModel model;
    fillModel(model);
    FleetFilter filter(model);
    QTableView view;
    view.setModel(&filter);
    view.setSortingEnabled(true);
    view.sortByColumn(FleetModel::CosPhi, Qt::AscendingOrder);
    view.resize(1300, 600);
    view.show();
    QApplication::processEvents();
    PenaltyForecast month;
    month.hasCounters = true;
    qint64 t = MonthStart.toMSecsSinceEpoch();
    int next = 0;
    for (auto _ : state) {
        t += 1000;
        for (int i = 0; i < Pass; ++i, next = (next + 97) % Devices)
            model.dataArrived(next, t, 0.8 + (t / 1000 % 200) / 1000.0, 12.5, 7.25, &month);
        // What the screen does with it before the next pass.
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * Pass);
}

struct PlainDevice {
    qint64 lastMs = 0;
    double cosPhi = 0, powerKw = 0, maxCurrent = 0;
    PenaltyForecast month;
};

void UpdatePassPlain(benchmark::State &state)
{
    std::vector<PlainDevice> devices(Devices);
    qint64 t = MonthStart.toMSecsSinceEpoch();
    int next = 0;
    for (auto _ : state) {
        t += 1000;
        for (int i = 0; i < Pass; ++i, next = (next + 97) % Devices) {
            devices[std::size_t(next)] = {t, 0.8 + (t / 1000 % 200) / 1000.0, 12.5, 7.25, PenaltyForecast{}};
            benchmark::DoNotOptimize(devices[std::size_t(next)]);
        }
    }
    state.SetItemsProcessed(state.iterations() * Pass);
}

void Sort(benchmark::State &state)
{
    FleetModel model;
    fillModel(model);
    FleetFilter filter(model);
    const int column = int(state.range(0));
    Qt::SortOrder order = Qt::AscendingOrder;
    for (auto _ : state) {
        filter.sort(column, order);
        order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    }
}

void SortPlain(benchmark::State &state)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> cos(0.8, 1.0);
    std::vector<double> values(Devices);
    for (double &v : values)
        v = cos(random);
    for (auto _ : state) {
        std::vector<double> copy = values;
        std::stable_sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
}

// 30 days of one device, a reading every 5 s.
QString monthHistory(QTemporaryDir &dir)
{
    const QString file = dir.filePath(QStringLiteral("month.sqlite"));
    history::HistoryStore store(file);
    double active = 1000, inductive = 100, capacitive = 10;
    const qint64 start = MonthStart.toMSecsSinceEpoch();
    for (qint64 k = 0; k < 30 * 17'280; ++k) {
        active += 0.1;
        inductive += 0.012;
        capacitive += 0.002;
        store.addCounters({start + k * 5000, QStringLiteral("310001"), history::CounterSource::Analyzer,
                           active, inductive, capacitive});
        if (k % 17'280 == 0)
            store.flush(MonthStart);
    }
    store.flush(MonthStart);
    return file;
}

QTemporaryDir &forecastDir()
{
    static QTemporaryDir dir;
    return dir;
}

const QString &forecastFile()
{
    static const QString file = monthHistory(forecastDir());
    return file;
}

void Forecast(benchmark::State &state)
{
    const qint64 now = MonthStart.addDays(30).toMSecsSinceEpoch();
    forecastFile();
    for (auto _ : state) {
        // A watch of its own each time: the first reading of a device reads its month from the file.
        PenaltyWatch watch(forecastFile());
        benchmark::DoNotOptimize(watch.month(QStringLiteral("310001"), now));
    }
}

void ForecastRawReadings(benchmark::State &state)
{
    forecastFile();
    for (auto _ : state) {
        history::HistoryDatabase db(forecastFile(), true);
        db.open();
        QSqlQuery q(db.db());
        q.setForwardOnly(true);
        q.exec(QStringLiteral("SELECT t,active,inductive,capacitive FROM energy WHERE device=1 AND source=1 "
                              "ORDER BY t"));
        EnergyDays days;
        while (q.next()) {
            const qint64 t = q.value(0).toLongLong();
            days.add({t, q.value(1).toDouble(), q.value(2).toDouble(), q.value(3).toDouble()}, localDay(t));
        }
        benchmark::DoNotOptimize(days.days().size());
    }
}

void Report(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("fleet.sqlite"));
    const int devices = int(state.range(0));
    {
        history::HistoryStore store(file);
        for (int d = 0; d < devices; ++d) {
            const QString serial = QString::number(310000 + d);
            store.setDeviceInfo(
                {serial, QStringLiteral("Pano %1").arg(d), QStringLiteral("GRUP %1").arg(d % 5), 0});
            double active = 1000, inductive = 100, capacitive = 10;
            for (qint64 h = 0; h < 30 * 24; ++h) {
                active += 50;
                inductive += 50 * (0.05 + 0.002 * d) * (1 + 0.3 * std::sin(double(h) / 24));
                capacitive += 1;
                store.addCounters({MonthStart.addSecs(h * 3600).toMSecsSinceEpoch(), serial,
                                   history::CounterSource::Analyzer, active, inductive, capacitive});
            }
            for (int a = 0; a < 5; ++a)
                store.addEvent({MonthStart.addDays(a * 5).toMSecsSinceEpoch(), serial,
                                history::EventKind::Input, QStringLiteral("4"),
                                QStringLiteral("Girişler: 3")});
        }
        store.flush(MonthStart);
    }
    for (auto _ : state) {
        QString error;
        if (MonthlyReport::write({dir.filePath(QStringLiteral("r.pdf")), MonthStart.date(), {}}, file,
                                 QLocale::c(), error) != 0)
            state.SkipWithError(qPrintable(error));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = double(usage.ru_maxrss) / 1024;
}
} // namespace

BENCHMARK(UpdatePass)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdatePassPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(Sort)->Arg(FleetModel::CosPhi)->Arg(FleetModel::Caption)->Unit(benchmark::kMillisecond);
BENCHMARK(SortPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(Forecast)->Unit(benchmark::kMillisecond);
BENCHMARK(ForecastRawReadings)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Report)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
