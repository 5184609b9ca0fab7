// One pass of the value renderer over the real widgets of the instantaneous view, offscreen, with the
// repaint it causes: every slot changing, and nothing changing. Reported as a fraction of the renderer's
// 1000 ms tick.
#include "ScenarioEnvironment.h"
#include "core/ClientState.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindow.h"
#include "values/DeviceValueTable.h"
#include "values/ValueRenderer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace
{

struct Fixture {
    korvel::ScenarioEnvironment environment;
    korvel::ClientWindows windows;
    korvel::ClientState state;
    korvel::ValueRenderer renderer{windows.screen(), environment, state, windows.tool().valueTable()};

    Fixture()
    {
        windows.main().resize(1280, 800);
        windows.main().show();
        QApplication::processEvents();
    }

    void fill(double base)
    {
        korvel::DeviceValueTable &table = windows.tool().valueTable();
        for (int slot = 0; slot < 35; ++slot)
            table.setValue(1, slot, base + slot * 1.25);
        table.setValue(1, 33, base > 100 ? 0.93 : -0.88);
        table.setValue(1, 35, base > 100 ? 390145 : 390401);
    }

    void pass()
    {
        renderer.renderPass();
        QApplication::processEvents();
    }
};

std::unique_ptr<Fixture> theFixture;

Fixture &fixture()
{
    if (!theFixture)
        theFixture = std::make_unique<Fixture>();
    return *theFixture;
}

// The busy time of one pass as a share of the renderer's 1000 ms tick, in percent.
void reportTickShare(benchmark::State &state, std::chrono::nanoseconds busy)
{
    state.counters["percent_of_tick"] = double(busy.count()) / double(state.iterations()) / 1e9 * 100.0;
}

using Clock = std::chrono::steady_clock;

// Runs the benchmark loop: before each pass `change` alters the table (outside the measured time),
// then `measure` runs and its busy time is summed.
template <typename Change, typename Measure>
void timedPasses(benchmark::State &state, Change change, Measure measure)
{
    std::chrono::nanoseconds busy{};
    bool flip = false;
    for (auto _ : state) {
        change(fixture(), flip);
        flip = !flip;
        const auto start = Clock::now();
        measure(fixture());
        busy += Clock::now() - start;
        QApplication::processEvents();
    }
    reportTickShare(state, busy);
}

void BM_FullPassEverySlotChanging(benchmark::State &state)
{
    timedPasses(
        state, [](Fixture &f, bool flip) { f.fill(flip ? 230.0 : 231.5); }, [](Fixture &f) { f.pass(); });
}
BENCHMARK(BM_FullPassEverySlotChanging)->Unit(benchmark::kMicrosecond);

// One display changing: what a repaint of a single reading costs.
void BM_OneDisplayChanging(benchmark::State &state)
{
    fixture().fill(230.0);
    fixture().pass();
    timedPasses(
        state,
        [](Fixture &f, bool flip) { f.windows.tool().valueTable().setValue(1, 0, flip ? 230.0 : 231.0); },
        [](Fixture &f) { f.pass(); });
}
BENCHMARK(BM_OneDisplayChanging)->Unit(benchmark::kMicrosecond);

// The renderer's own work without the repaint that follows it.
void BM_PassWithoutRepaint(benchmark::State &state)
{
    timedPasses(
        state, [](Fixture &f, bool flip) { f.fill(flip ? 230.0 : 231.5); },
        [](Fixture &f) { f.renderer.renderPass(); });
}
BENCHMARK(BM_PassWithoutRepaint)->Unit(benchmark::kMicrosecond);

void BM_FullPassNothingChanging(benchmark::State &state)
{
    fixture().fill(230.0);
    fixture().pass();
    timedPasses(
        state, [](Fixture &, bool) {}, [](Fixture &f) { f.pass(); });
}
BENCHMARK(BM_FullPassNothingChanging)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The windows go before the application object.
    theFixture.reset();
    return 0;
}
