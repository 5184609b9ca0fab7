// The two decoders on their largest inputs, each beside a plain std::from_chars parse of as many decimal
// integers from the same text, which is the floor any decoder of these texts has to pay.
#include "values/DeviceValueTable.h"
#include "values/RegisterDump.h"
#include "values/ValueRecords.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <string>

using namespace korvel;

namespace
{

// A dump of the given byte count, with that many data bytes and two trailing ones.
std::string dumpText(int byteCount)
{
    static const int pattern[] = {67, 92, 128, 0, 63, 128, 0, 0, 1, 244, 5, 0, 195, 20, 51, 51};
    std::string text = "1$3$" + std::to_string(byteCount) + "$";
    for (int i = 0; i < byteCount + 2; ++i)
        text += std::to_string(pattern[i % 16]) + "$";
    return text;
}

// 201 records, kinds "1" and "0" alternating, record 43 naming row 2.
std::string recordText()
{
    std::string text;
    for (int j = 0; j < 201; ++j) {
        if (j == 43) {
            text += "$100002999";
            continue;
        }
        std::string digits = std::to_string(10000000 + j * 4321);
        text += (j % 2 ? "$1" : "$0") + digits;
    }
    return text;
}

// The reference: every "$"-ended (or, for records, every 8-digit) number read with from_chars.
void parseNumbers(benchmark::State &state, const std::string &text, bool records)
{
    for (auto _ : state) {
        long long sum = 0;
        const char *p = text.data();
        const char *end = p + text.size();
        while (p < end) {
            int value = 0;
            if (records) {
                const char *first = p + 2;
                std::from_chars(first, first + 8, value);
                p = first + 8;
            } else {
                const auto result = std::from_chars(p, end, value);
                p = result.ptr + 1;
            }
            sum += value;
        }
        benchmark::DoNotOptimize(sum);
    }
}

void decodeDump(benchmark::State &state, int byteCount, bool withLog)
{
    const QString text = QString::fromStdString(dumpText(byteCount));
    DeviceValueTable table;
    qsizetype logged = 0;
    const DecodeLog log = [&logged](const QString &line) { logged += line.size(); };
    for (auto _ : state) {
        table.setSlotCursor(0);
        DecodeRegisterDump(table, text, u'.', withLog ? log : DecodeLog());
    }
    benchmark::DoNotOptimize(logged);
    state.counters["slots"] = table.slotCursor();
}

void BM_Dump255_FromChars(benchmark::State &state)
{
    parseNumbers(state, dumpText(255), false);
}
void BM_Dump255_Decode(benchmark::State &state)
{
    decodeDump(state, 255, false);
}
void BM_Dump255_DecodeAndLog(benchmark::State &state)
{
    decodeDump(state, 255, true);
}
void BM_DumpFullRow_FromChars(benchmark::State &state)
{
    parseNumbers(state, dumpText(1024), false);
}
void BM_DumpFullRow_Decode(benchmark::State &state)
{
    decodeDump(state, 1024, false);
}
void BM_DumpFullRow_DecodeAndLog(benchmark::State &state)
{
    decodeDump(state, 1024, true);
}

void BM_Records201_FromChars(benchmark::State &state)
{
    parseNumbers(state, recordText(), true);
}
void BM_Records201_Decode(benchmark::State &state)
{
    const QString text = QString::fromStdString(recordText());
    DeviceValueTable table;
    for (auto _ : state)
        DecodeValueRecords(table, text, u'.');
    benchmark::DoNotOptimize(table.value(2, 200));
}

} // namespace

BENCHMARK(BM_Dump255_FromChars);
BENCHMARK(BM_Dump255_Decode);
BENCHMARK(BM_Dump255_DecodeAndLog);
BENCHMARK(BM_DumpFullRow_FromChars);
BENCHMARK(BM_DumpFullRow_Decode);
BENCHMARK(BM_DumpFullRow_DecodeAndLog);
BENCHMARK(BM_Records201_FromChars);
BENCHMARK(BM_Records201_Decode);

BENCHMARK_MAIN();
