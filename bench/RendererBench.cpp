// One pass of the value renderer over the real widgets of every slot map (the instantaneous, consumption
// and capacitor views), offscreen, with the repaint it causes: every slot changing, and nothing changing.
// Reported as a fraction of the renderer's 1000 ms tick.
#include "ScenarioEnvironment.h"
#include "core/ClientState.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindow.h"
#include "values/DeviceValueTable.h"
#include "values/Install.h"
#include "values/ValueRenderer.h"

#include <QApplication>
#include <QDir>
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
        korvel::values::addViews(renderer, windows.screen(), environment, state, windows.tool().valueTable());
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
        // Counters, the totals and ratios, the sign label.
        for (int slot = 36; slot < 52; ++slot)
            table.setValue(1, slot, base * 100 + slot * 12.5);
        table.setValue(1, 47, base > 100 ? -20 : 20);
        // Every step switched over, every power changing, the phase boxes ticked and cleared.
        table.setValue(1, 52, base > 100 ? 0x2A152A15 : 0x152A152A);
        for (int slot = 53; slot < 77; ++slot)
            table.setValue(1, slot, base / 10 + slot * 0.5);
        for (int slot = 77; slot < 83; ++slot)
            table.setValue(1, slot, base > 100 ? 0x07040201 : 0);
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

// With the tab of the argument on top, so that its displays repaint: 0 instantaneous, 1 consumption,
// 4 capacitors.
void BM_FullPassEverySlotChanging(benchmark::State &state)
{
    fixture().windows.screen().setActivePage(int(state.range(0)));
    timedPasses(
        state, [](Fixture &f, bool flip) { f.fill(flip ? 230.0 : 231.5); }, [](Fixture &f) { f.pass(); });
    fixture().windows.screen().setActivePage(0);
}
BENCHMARK(BM_FullPassEverySlotChanging)->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

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
    // The capacitor view's pictures are built beside the program.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The windows go before the application object.
    theFixture.reset();
    return 0;
}
