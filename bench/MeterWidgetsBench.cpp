// The handling of one "sayacal" reply on the real meter views (offscreen) when both memos already hold
// 64 KiB of readout: the text boxes' own cost of reading and growing their text comes on top of the
// extraction that metering_bench measures. Beside it, a plain search of one code over the same text.
#include "core/ClientState.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <ctime>
#include <memory>

namespace
{

const QString readout = QStringLiteral(
    "/KRV5VNM530\r\n0.0.0(00012001)\r\n0.9.1(26-01-15)\r\n0.9.2(10:30:00)\r\n0.9.5(4)\r\n"
    "1.8.0(012345.678*kWh)\r\n1.8.1(006790.123*kWh)\r\n1.8.2(003086.419*kWh)\r\n1.8.3(002469.135*kWh)\r\n"
    "5.8.0(001604.938*kvarh)\r\n5.8.1(000882.716*kvarh)\r\n5.8.2(000401.234*kvarh)\r\n"
    "5.8.3(000320.987*kvarh)\r\n8.8.0(000123.456*kvarh)\r\n8.8.1(000067.901*kvarh)\r\n"
    "8.8.2(000030.864*kvarh)\r\n8.8.3(000024.691*kvarh)\r\n1.6.0(042.317*kW)(26-01-12,10:15)\r\n"
    "0.8.0(15*min)\r\n0.1.0(05)\r\n96.1.3(19-03-14)\r\n96.2.5(19-04-02)\r\n96.2.2(23-01-01,00:00)\r\n"
    "96.70(21-06-11,14:05)\r\n96.71(22-09-30,09:42)(02)\r\n96.6.1(1)\r\n96.7.0(3)\r\n96.7.1(6)\r\n"
    "96.7.2(5)\r\n96.7.3(7)\r\n96.77.4(14)\r\n96.77.5(4)\r\n!\r\n");

struct Fixture {
    korvel::ClientWindows windows;
    korvel::ClientState state;
    korvel::MeterReadout handler{windows.screen(), state};
    QString memo;

    Fixture()
    {
        windows.main().resize(1280, 800);
        windows.main().show();
        while (memo.size() + readout.size() <= 64 * 1024)
            memo += readout;
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

// The machine is shared: the handler's own processor time is the figure, not the wall clock.
double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void handleReplyOnWidgets(benchmark::State &state)
{
    Fixture &f = fixture();
    const QString reply = QStringLiteral("sayacal\x01\x01\x01") + readout + QString(3, QChar(0xF4));
    for (auto _ : state) {
        f.windows.screen().setCaption(QStringLiteral("Memo3"), f.memo);
        f.windows.screen().setCaption(QStringLiteral("Memo5"), f.memo);
        korvel::ReplyText text(reply);
        const double start = threadSeconds();
        f.handler.handleReadout(text);
        state.SetIterationTime(threadSeconds() - start);
    }
}
BENCHMARK(handleReplyOnWidgets)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A code that is not in the text: the search runs through all of it.
void searchOneCode(benchmark::State &state)
{
    const QString memo = fixture().memo;
    for (auto _ : state)
        benchmark::DoNotOptimize(memo.indexOf(QStringView(u"96.77.9(")));
}
BENCHMARK(searchOneCode)->Unit(benchmark::kMicrosecond);

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
