// What a read notification costs: decoding one received chunk from code page 1254 and dispatching it, for
// chunks of replies and of text that holds no tag, at a typical and at a huge size. The reference beside
// them is a plain copy of the same bytes into a buffer that is already there, the least any handling of
// the chunk can cost. Compare per-byte costs between the sizes (linear growth) and against the copy.
#include "core/AbortChunk.h"
#include "link/Cp1254.h"
#include "link/ReplyDispatcher.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstring>
#include <random>

using namespace korvel;

namespace
{

constexpr qsizetype smallChunk = 64 * 1024;
constexpr qsizetype hugeChunk = 16 * 1024 * 1024;

const QByteArray fieldEnd(1, '\x01');
const QByteArray terminator(3, '\xF4');

int toInt(const QString &field)
{
    bool ok = false;
    const int value = field.toInt(&ok);
    if (!ok)
        throw AbortChunk();
    return value;
}

// Handlers shaped like the client's: drop the tag and its skipped character, read the fields, convert
// numbers. Every tag of the catalogue gets one, so the head is tested against all of them.
struct Client {
    ReplyDispatcher dispatcher;
    long long handled = 0;

    Client()
    {
        for (const char16_t *tag : ReplyDispatcher::tagOrder) {
            const qsizetype skip = QStringView(tag).size() + 1;
            dispatcher.setHandler(tag, [this, skip](ReplyText &t) {
                t.drop(skip);
                benchmark::DoNotOptimize(t.takeField());
                ++handled;
            });
        }
        dispatcher.setHandler(u"pong", [this](ReplyText &t) {
            t.drop(5);
            ++handled;
        });
        dispatcher.setHandler(u"Hattayok", [this](ReplyText &t) {
            t.drop(9);
            benchmark::DoNotOptimize(t.takeField());
            t.drop(1);
            ++handled;
        });
        dispatcher.setHandler(u"haklar", [this](ReplyText &t) {
            t.drop(7);
            handled += toInt(t.takeField()) + toInt(t.takeField());
        });
    }
};

// Whole replies back to back, as the server sends them, padded with terminator bytes to the exact size.
QByteArray replies(qsizetype size)
{
    const QByteArray pong = "pong" + fieldEnd + terminator;
    const QByteArray lineDown = "Hattayok" + fieldEnd + "120014" + fieldEnd + fieldEnd + terminator;
    const QByteArray rights = "haklar" + fieldEnd + "1" + fieldEnd + "0" + fieldEnd + terminator;
    const QByteArray cycle = pong + lineDown + rights;
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() + cycle.size() <= size)
        bytes += cycle;
    bytes.append(size - bytes.size(), '\xF4');
    return bytes;
}

// Keep-alive answers back to back: the dispatcher's own cost per reply, with a handler that reads nothing.
QByteArray pongs(qsizetype size)
{
    const QByteArray pong = "pong" + fieldEnd + terminator;
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() + pong.size() <= size)
        bytes += pong;
    bytes.append(size - bytes.size(), '\xF4');
    return bytes;
}

QByteArray randomOf(qsizetype size, const QByteArray &alphabet)
{
    std::mt19937 random(1254);
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = alphabet[pick(random)];
    return bytes;
}

// Letters, digits and blanks that start no tag: the cheapest text to skip.
QByteArray noTag(qsizetype size)
{
    return randomOf(size, "bfgjklnoquvwxzBCDEFGIJKLMNOPQRTUVWXYZ0123456789 ,.$");
}

// Only first letters of tags: every position is tested against the tags that begin with its letter.
QByteArray tagLetters(qsizetype size)
{
    return randomOf(size, "pyartmHhsSeicd");
}

// The longest near misses: each position starts the first ten letters of "cihazenerji".
QByteArray nearMisses(qsizetype size)
{
    QByteArray bytes;
    bytes.reserve(size);
    while (bytes.size() < size)
        bytes += "cihazenerj";
    bytes.truncate(size);
    return bytes;
}

void copy(benchmark::State &state, QByteArray (*make)(qsizetype))
{
    const QByteArray bytes = make(state.range(0));
    QByteArray target(bytes.size(), Qt::Uninitialized);
    for (auto _ : state) {
        std::memcpy(target.data(), bytes.constData(), size_t(bytes.size()));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

// The read notification's own floor: the decode that comes before any dispatch, into a kept buffer.
void decode(benchmark::State &state, QByteArray (*make)(qsizetype))
{
    const QByteArray bytes = make(state.range(0));
    QString text;
    for (auto _ : state) {
        cp1254::decodeInto(bytes, text);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void decodeAndDispatch(benchmark::State &state, QByteArray (*make)(qsizetype))
{
    const QByteArray bytes = make(state.range(0));
    Client client;
    // Decoded into one buffer kept from read to read, as the read notification does.
    QString text;
    for (auto _ : state) {
        cp1254::decodeInto(bytes, text);
        const bool completed = client.dispatcher.dispatch(text);
        if (!completed || client.dispatcher.lastLeft().size() > 1) {
            state.SkipWithError("the chunk was not handled to its end");
            break;
        }
    }
    state.counters["replies"] = benchmark::Counter(double(client.handled) / double(state.iterations()));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(smallChunk)->Arg(hugeChunk)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK_CAPTURE(copy, replies, replies)->Apply(sizes);
BENCHMARK_CAPTURE(decode, replies, replies)->Apply(sizes);
BENCHMARK_CAPTURE(decodeAndDispatch, replies, replies)->Apply(sizes);
BENCHMARK_CAPTURE(decodeAndDispatch, pongs, pongs)->Apply(sizes);
BENCHMARK_CAPTURE(decodeAndDispatch, noTag, noTag)->Apply(sizes);
BENCHMARK_CAPTURE(decodeAndDispatch, tagLetters, tagLetters)->Apply(sizes);
BENCHMARK_CAPTURE(decodeAndDispatch, nearMisses, nearMisses)->Apply(sizes);

BENCHMARK_MAIN();
