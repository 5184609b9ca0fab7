// The dispatcher against whatever the server may send: huge chunks, single characters, random bytes,
// replies cut anywhere, handlers that give up. Its shortcuts over text that holds no tag are checked
// against the skipping rule applied literally, which copies and compares the whole rest every pass.
#include "core/AbortChunk.h"
#include "link/Cp1254.h"
#include "link/ReplyDispatcher.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace korvel;

namespace
{

const QChar sep(0x01);
const QString term(3, QChar(0xF4));

int toInt(const QString &field)
{
    bool ok = false;
    const int value = field.toInt(&ok);
    if (!ok)
        throw AbortChunk();
    return value;
}

// Handlers for the whole catalogue, shaped like the client's: tag and skipped characters dropped, fields
// taken up to their 0x01, numbers converted (a bad one ends the chunk), "enerjial" consuming the rest.
// "degerler" has none. Each appends what it read to `seen`.
using Catalogue = std::vector<std::pair<QString, ReplyDispatcher::Handler>>;

Catalogue catalogue(QStringList &seen)
{
    Catalogue handlers;
    const auto add = [&](const char16_t *tag, ReplyDispatcher::Handler h) {
        handlers.emplace_back(QString::fromUtf16(tag), std::move(h));
    };
    const auto fields = [&seen](const char16_t *tag, qsizetype skip, int count, bool numbers) {
        return [&seen, tag, skip, count, numbers](ReplyText &t) {
            t.drop(QStringView(tag).size() + skip);
            QStringList read{QString::fromUtf16(tag)};
            for (int i = 0; i < count; ++i)
                read << (numbers ? QString::number(toInt(t.takeField())) : t.takeField());
            seen << read.join(u'|');
        };
    };
    add(u"pong", fields(u"pong", 1, 0, false));
    add(u"yenimesaj", fields(u"yenimesaj", 1, 0, false));
    add(u"akimdegerleri", fields(u"akimdegerleri", 1, 7, false));
    add(u"reaktifenerji", fields(u"reaktifenerji", 1, 3, false));
    add(u"tedassycal", fields(u"tedassycal", 1, 3, false));
    add(u"mesajvar", [read = fields(u"mesajvar", 1, 2, false)](ReplyText &t) {
        read(t);
        t.drop(1);
    });
    add(u"Hattayok", [read = fields(u"Hattayok", 1, 1, false)](ReplyText &t) {
        read(t);
        t.drop(1);
    });
    add(u"haklar", fields(u"haklar", 1, 2, true));
    add(u"tblhaklar", fields(u"tblhaklar", 1, 6, true));
    add(u"sayacal", fields(u"sayacal", 3, 1, false));
    add(u"Sycdegerleri", fields(u"Sycdegerleri", 1, 3, false));
    add(u"enerjial", [&seen](ReplyText &t) {
        seen << QStringLiteral("enerjial");
        t.clear();
    });
    add(u"input", [&seen](ReplyText &t) {
        t.drop(6);
        QStringList read{QStringLiteral("input"), t.takeField()};
        for (int i = 0; i < 7; ++i)
            t.drop(t.rest().indexOf(u'$') + 1);
        read << QString::number(toInt(t.takeField()));
        seen << read.join(u'|');
    });
    add(u"cihazenerji", fields(u"cihazenerji", 1, 2, false));
    add(u"cihazlar", [read = fields(u"cihazlar", 1, 4, false)](ReplyText &t) {
        read(t);
        t.drop(1);
    });
    return handlers;
}

struct Outcome {
    QStringList seen;
    QString left;
    QString remainder;
    bool completed = true;

    bool operator==(const Outcome &) const = default;
};

void PrintTo(const Outcome &o, std::ostream *os)
{
    *os << "seen [" << o.seen.join(QStringLiteral(", ")).toStdString() << "] left \"" << o.left.toStdString()
        << "\" remainder \"" << o.remainder.toStdString() << "\" completed " << o.completed;
}

// The dispatcher under test, with the catalogue installed.
struct Fast {
    QStringList seen;
    ReplyDispatcher dispatcher;

    Fast()
    {
        for (auto &[tag, handler] : catalogue(seen))
            dispatcher.setHandler(tag, std::move(handler));
    }

    Outcome run(const QString &chunk)
    {
        seen.clear();
        const bool completed = dispatcher.dispatch(chunk);
        return {seen, dispatcher.lastLeft(), dispatcher.lastRemainder(), completed};
    }
};

// The loop as the behaviour states it: every tag tested in order on a fresh copy of the rest, then the
// whole rest compared with the recorded one. Quadratic, so only for short chunks.
struct Literal {
    QStringList seen;
    Catalogue handlers = catalogue(seen);
    QString last;

    Outcome run(const QString &chunk)
    {
        seen.clear();
        QString rest = chunk;
        try {
            do {
                for (auto &[tag, handler] : handlers) {
                    if (!rest.startsWith(tag))
                        continue;
                    ReplyText text(rest);
                    try {
                        handler(text);
                    } catch (...) {
                        rest = text.rest().toString();
                        throw;
                    }
                    rest = text.rest().toString();
                }
                if (rest == last)
                    rest.remove(0, 1);
                else
                    last = rest;
            } while (rest.size() > 1);
        } catch (const std::exception &) {
            return {seen, rest, last, false};
        }
        return {seen, rest, last, true};
    }
};

QString device(const QString &name)
{
    return QStringLiteral("cihazlar") + sep + QStringLiteral("Merkez") + sep + QStringLiteral("VNA310") +
           sep + name + sep + QStringLiteral("12001") + sep + sep + term;
}

// A read of several replies back to back, as the server sends them after a login.
QString recording()
{
    return device(QStringLiteral("Trafo 1")) + device(QStringLiteral("Pano")) + QStringLiteral("haklar") +
           sep + QStringLiteral("3") + sep + QStringLiteral("1") + sep + term + QStringLiteral("tblhaklar") +
           sep + QStringLiteral("1") + sep + QStringLiteral("0") + sep + QStringLiteral("1") + sep +
           QStringLiteral("1") + sep + QStringLiteral("0") + sep + QStringLiteral("1") + sep + term +
           QStringLiteral("pong") + sep + term + QStringLiteral("mesajvar") + sep + QStringLiteral("Bak") +
           QChar(0x0131) + QStringLiteral("m") + sep + QStringLiteral("Yar") + QChar(0x0131) +
           QStringLiteral("n") + sep + sep + term + QStringLiteral("Hattayok") + sep +
           QStringLiteral("12001") + sep + sep + term + QStringLiteral("input") + sep +
           QStringLiteral("12001") + sep + QStringLiteral("10$12$2026$08$15$00$0$5") + sep + term +
           QStringLiteral("yenimesaj") + sep + term;
}

QString fromBytes(const QByteArray &bytes)
{
    return cp1254::decode(bytes);
}

} // namespace

TEST(ReplyDispatcherRobustness, AgreesWithTheLiteralRuleOnRandomChunksInARow)
{
    // Pieces that make tags, near misses, fields, separators and terminators likely, plus any byte.
    QStringList pieces;
    for (const char16_t *tag : ReplyDispatcher::tagOrder)
        pieces << QString::fromUtf16(tag);
    pieces << QStringLiteral("cihaz") << QStringLiteral("hak") << QStringLiteral("Sy") << QStringLiteral("12")
           << QStringLiteral("x") << QStringLiteral("p") << QStringLiteral("h") << QStringLiteral("c")
           << QString(sep) << QString(QChar(0xF4)) << QString(QChar(0x02)) << term;
    std::mt19937 random(1254);
    const auto below = [&random](int n) { return int(random() % unsigned(n)); };

    for (int round = 0; round < 3000; ++round) {
        Fast fast;
        Literal literal;
        QString previous;
        for (int chunkNo = 0; chunkNo < 5; ++chunkNo) {
            QString chunk;
            switch (below(8)) {
            case 0: // the rest recorded last time arrives again: the first pass finds it equal
                chunk = literal.last;
                break;
            case 1:
                chunk = previous;
                break;
            case 2:
                chunk = QString(pieces[below(int(pieces.size()))].front());
                break;
            default:
                for (int n = below(25); n > 0; --n)
                    chunk += below(6) == 0 ? QString(cp1254::charFor(quint8(below(256))))
                                           : pieces[below(int(pieces.size()))];
            }
            previous = chunk;
            const Outcome expected = literal.run(chunk);
            ASSERT_EQ(fast.run(chunk), expected)
                << "round " << round << " chunk " << chunkNo << ": \"" << chunk.toStdString() << '"';
        }
    }
}

TEST(ReplyDispatcherRobustness, EveryTruncationAndSplitOfARecording)
{
    const QString whole = recording();
    {
        Fast fast;
        const Outcome all = fast.run(whole);
        ASSERT_EQ(all.seen.size(), 9) << all.seen.join(u',').toStdString();
        EXPECT_TRUE(all.completed);
    }
    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        const QString head = whole.left(cut);
        const QString tail = whole.mid(cut);
        // Cut off: the read ended inside a reply.
        {
            Fast fast;
            Literal literal;
            ASSERT_EQ(fast.run(head), literal.run(head)) << "prefix of " << cut;
        }
        // Split: the rest of the recording comes in the next read, with the remainder carried over.
        {
            Fast fast;
            Literal literal;
            ASSERT_EQ(fast.run(head), literal.run(head)) << "split at " << cut;
            ASSERT_EQ(fast.run(tail), literal.run(tail)) << "split at " << cut;
        }
    }
}

TEST(ReplyDispatcherRobustness, AnErrorInAHandlerEndsOnlyItsChunk)
{
    struct Case {
        const char *name;
        QString bad;
    };
    const Case cases[] = {
        {"rights that are not numbers",
         QStringLiteral("haklar") + sep + QStringLiteral("x") + sep + sep + term},
        {"rights cut off by the end of the read",
         QStringLiteral("tblhaklar") + sep + QStringLiteral("1") + sep},
    };
    const QString pong = QStringLiteral("pong") + sep + term;
    for (const Case &c : cases) {
        Fast fast;
        Literal literal;
        const QString chunk = pong + pong + c.bad + pong;
        const Outcome outcome = fast.run(chunk);
        EXPECT_FALSE(outcome.completed) << c.name;
        EXPECT_EQ(outcome.seen, (QStringList{QStringLiteral("pong"), QStringLiteral("pong")})) << c.name;
        EXPECT_EQ(outcome, literal.run(chunk)) << c.name;
        // The next read starts afresh.
        EXPECT_EQ(fast.run(pong), literal.run(pong)) << c.name;
        EXPECT_EQ(fast.seen, QStringList{QStringLiteral("pong")}) << c.name;
    }

    // Any other exception out of a handler is dropped in the same way.
    ReplyDispatcher dispatcher;
    int pongs = 0;
    dispatcher.setHandler(u"pong", [&pongs](ReplyText &t) {
        if (++pongs == 2)
            throw std::out_of_range("second pong");
        t.drop(5);
    });
    EXPECT_FALSE(dispatcher.dispatch(pong + pong + pong));
    EXPECT_EQ(pongs, 2);
    EXPECT_EQ(dispatcher.lastLeft(), pong + pong);
}

TEST(ReplyDispatcherRobustness, AHandlerSetToNothingIsSkippedLikeUnknownText)
{
    ReplyDispatcher dispatcher;
    dispatcher.setHandler(u"pong", [](ReplyText &t) { t.drop(5); });
    dispatcher.setHandler(u"pong", nullptr);
    EXPECT_TRUE(dispatcher.dispatch(QStringLiteral("pong") + sep + term));
    EXPECT_EQ(dispatcher.lastLeft(), QString(QChar(0xF4)));
}

TEST(ReplyDispatcherRobustness, RandomBytes)
{
    std::mt19937 random(17814);
    Fast fast;
    Literal literal;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes(qsizetype(random() % 200), Qt::Uninitialized);
        for (char &b : bytes)
            b = char(random());
        const QString chunk = fromBytes(bytes);
        ASSERT_EQ(fast.run(chunk), literal.run(chunk)) << "round " << round;
    }
}

// Huge reads must cost time in proportion to their size. The sizes grow sixteenfold step by step, so that
// a dispatcher that is quadratic fails at a small size instead of running for hours at the big one.
// The processor time of this thread: what the dispatcher costs, whatever else the machine is doing.
static std::chrono::nanoseconds threadCpuTime()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST(ReplyDispatcherRobustness, HugeChunksTakeTimeInProportionToTheirSize)
{
    // Far above the real cost even with sanitizers (tens of nanoseconds), far below any quadratic one.
    constexpr auto perCharacter = std::chrono::nanoseconds(400);
    constexpr auto slack = std::chrono::milliseconds(100);

    const QString reply = device(QStringLiteral("Trafo")) + QStringLiteral("pong") + sep + term +
                          QStringLiteral("Hattayok") + sep + QStringLiteral("12001") + sep + sep + term +
                          QStringLiteral("haklar") + sep + QStringLiteral("3") + sep + QStringLiteral("1") +
                          sep + term;
    std::mt19937 random(61254);
    const auto randomText = [&random](qsizetype size, const char *alphabet) {
        const std::string letters(alphabet);
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &b : bytes)
            b = letters.empty() ? char(random()) : letters[random() % letters.size()];
        return fromBytes(bytes);
    };
    struct Kind {
        const char *name;
        std::function<QString(qsizetype)> make;
    };
    const Kind kinds[] = {
        {"replies", [&](qsizetype size) { return reply.repeated(size / reply.size() + 1).left(size); }},
        {"no tag letters", [&](qsizetype size) { return randomText(size, "bfgjkloquvwxz019 "); }},
        {"only tag letters", [&](qsizetype size) { return randomText(size, "pyartmHhsSeicd"); }},
        {"random bytes", [&](qsizetype size) { return randomText(size, ""); }},
    };
    for (const Kind &kind : kinds) {
        for (const qsizetype size : {qsizetype(64) << 10, qsizetype(1) << 20, qsizetype(16) << 20}) {
            const QString chunk = kind.make(size);
            Fast fast;
            const auto start = threadCpuTime();
            const Outcome outcome = fast.run(chunk);
            const auto spent = threadCpuTime() - start;
            ASSERT_LT(spent, slack + perCharacter * size)
                << kind.name << ", " << size
                << " characters: " << std::chrono::duration_cast<std::chrono::milliseconds>(spent).count()
                << " ms";
            if (outcome.completed) {
                EXPECT_LE(outcome.left.size(), 1) << kind.name << ", " << size;
            }
            EXPECT_TRUE(chunk.endsWith(outcome.left)) << kind.name << ", " << size;
        }
    }
}
