// The handling of one "sayacal" reply when the memos already hold 64 KiB of readout: the append to both
// memos and all 38 rows of the code table. Side by side with a plain substring search of one code over
// the same text, so that the figure reads as a ratio.
#include "CaptionScreen.h"
#include "core/ClientState.h"
#include "core/Screen.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"

#include <QHash>
#include <benchmark/benchmark.h>

namespace
{

// One full readout, as a meter reader relays it.
const QString readout = QStringLiteral(
    "/KRV5VNM530\r\n0.0.0(00012001)\r\n0.9.1(26-01-15)\r\n0.9.2(10:30:00)\r\n0.9.5(4)\r\n"
    "1.8.0(012345.678*kWh)\r\n1.8.1(006790.123*kWh)\r\n1.8.2(003086.419*kWh)\r\n1.8.3(002469.135*kWh)\r\n"
    "5.8.0(001604.938*kvarh)\r\n5.8.1(000882.716*kvarh)\r\n5.8.2(000401.234*kvarh)\r\n"
    "5.8.3(000320.987*kvarh)\r\n8.8.0(000123.456*kvarh)\r\n8.8.1(000067.901*kvarh)\r\n"
    "8.8.2(000030.864*kvarh)\r\n8.8.3(000024.691*kvarh)\r\n1.6.0(042.317*kW)(26-01-12,10:15)\r\n"
    "0.8.0(15*min)\r\n0.1.0(05)\r\n96.1.3(19-03-14)\r\n96.2.5(19-04-02)\r\n96.2.2(23-01-01,00:00)\r\n"
    "96.70(21-06-11,14:05)\r\n96.71(22-09-30,09:42)(02)\r\n96.6.1(1)\r\n96.7.0(3)\r\n96.7.1(6)\r\n"
    "96.7.2(5)\r\n96.7.3(7)\r\n96.77.4(14)\r\n96.77.5(4)\r\n!\r\n");

constexpr qsizetype accumulated = 64 * 1024;

// Readouts one after the other up to 64 KiB (every code found near the front), or 64 KiB of lines
// without codes and the readout at the end (every search runs through the whole text).
QString memoText(bool codesAtEnd)
{
    QString text;
    if (codesAtEnd) {
        const QString filler = QStringLiteral("P.01(0000000000)(00000000)\r\n");
        while (text.size() + filler.size() + readout.size() < accumulated)
            text += filler;
        text += readout;
    } else {
        while (text.size() + readout.size() <= accumulated)
            text += readout;
    }
    return text;
}

const QString reply = QStringLiteral("sayacal\x01\x01\x01") + readout + QString(3, QChar(0xF4));

void handleReply(benchmark::State &state)
{
    const QString memo = memoText(state.range(0) != 0);
    korvel::test::CaptionScreen screen;
    korvel::ClientState clientState;
    korvel::MeterReadout handler(screen, clientState);
    for (auto _ : state) {
        screen.setCaption(QStringLiteral("Memo3"), memo);
        screen.setCaption(QStringLiteral("Memo5"), memo);
        korvel::ReplyText text(reply);
        handler.handleReadout(text);
        benchmark::DoNotOptimize(screen.caption(QStringLiteral("akimuyari")));
    }
    state.counters["memo_chars"] = double(screen.caption(QStringLiteral("Memo3")).size());
}
BENCHMARK(handleReply)->Arg(0)->Arg(1)->ArgName("codes_at_end")->Unit(benchmark::kMicrosecond);

// The yardstick: one plain search for the last code of the table over the same text.
void searchOneCode(benchmark::State &state)
{
    const QString memo = memoText(state.range(0) != 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(memo.indexOf(QStringView(u"96.77.5(")));
}
BENCHMARK(searchOneCode)->Arg(0)->Arg(1)->ArgName("codes_at_end")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
