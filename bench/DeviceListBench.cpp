// How fast the device list grows through the real client: "cihazlar" replies in chunks of a hundred,
// read, dispatched and inserted on top of their group, with the main window shown offscreen. Measured
// at 1,000 and at 100,000 items already in the group: items per second should be about the same
// (an insert that costs in proportion to the group makes a long list arrive in quadratic time).
// A list where every device has a group of its own is measured whole, at 2,000 and 20,000 groups: the
// larger should take about ten times as long, not a hundred (a bar that lays out every group again for
// each new one). Value-record notices that name no device of the list are measured against a group of
// 1,000 and of 100,000 items: the cost of a notice should not follow the size of the group.
#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/widgets/GroupBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>

using namespace korvel;

namespace
{

constexpr int batch = 100;

struct Fixture {
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client{environment, link};
    int serial = 100000;

    Fixture()
    {
        client.start();
        client.windows().screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        qobject_cast<QAbstractButton *>(
            client.windows().screen().find(QStringLiteral("TFrmGiris.suiButton1")))
            ->click();
        QApplication::processEvents();
    }

    // One chunk of `count` device replies, as a socket read delivers them; each device in a group of
    // its own when distinct.
    void deliver(int count, bool distinct = false)
    {
        QByteArray chunk;
        for (int i = 0; i < count; ++i, ++serial) {
            const QByteArray number = QByteArray::number(serial);
            chunk += "cihazlar\x01" + (distinct ? "Tesis " + number : QByteArray("Merkez")) +
                     "\x01VNA310\x01"
                     "Analiz\xF6r " +
                     number + '\x01' + number + "\x01\xF4\xF4\xF4";
        }
        link.deliver(chunk);
    }

    int items() { return client.windows().main().groupBar()->itemCount(0); }
};

void BM_DeviceItemsArriving(benchmark::State &state)
{
    const int already = int(state.range(0));
    Fixture f;
    for (auto _ : state) {
        state.PauseTiming();
        f.client.windows().main().groupBar()->clearItems();
        while (f.items() < already)
            f.deliver(std::min(1000, already - f.items()));
        QApplication::processEvents();
        state.ResumeTiming();
        f.deliver(batch);
        // The layout and paint the new rows cause.
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_DeviceItemsArriving)->Arg(1000)->Arg(100000)->Iterations(20)->Unit(benchmark::kMicrosecond);

void BM_DistinctGroupsArriving(benchmark::State &state)
{
    const int groups = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<Fixture>();
        state.ResumeTiming();
        // Chunk by chunk, with the event loop's turn after each as a socket read would have it.
        for (int sent = 0; sent < groups; sent += batch) {
            f->deliver(batch, true);
            QApplication::processEvents();
        }
        QApplication::processEvents();
        state.PauseTiming();
        const int arrived = f->client.windows().main().groupBar()->groupCount();
        f.reset();
        state.ResumeTiming();
        if (arrived != groups) {
            state.SkipWithError(
                qPrintable(QStringLiteral("%1 groups of %2 arrived").arg(arrived).arg(groups)));
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * groups);
}
BENCHMARK(BM_DistinctGroupsArriving)->Arg(2000)->Arg(20000)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ValueRecordNotices(benchmark::State &state)
{
    const int items = int(state.range(0));
    Fixture f;
    while (f.items() < items)
        f.deliver(std::min(1000, items - f.items()));
    QApplication::processEvents();
    // A chunk of notices with an empty device field for the one group.
    QByteArray chunk;
    for (int i = 0; i < batch; ++i)
        chunk += "cihazenerji\x01\x01Merkez\x01\x01\x01\xF4\xF4\xF4";
    for (auto _ : state) {
        f.link.deliver(chunk);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_ValueRecordNotices)->Arg(1000)->Arg(100000)->Iterations(20)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
