#include "link/ReplyDispatcher.h"
#include "core/AbortChunk.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{

const QChar sep(0x01);
const QString term(3, QChar(0xF4));

// A dispatcher whose handlers record what they read, as the real ones do: tag, one skipped character,
// then their fields.
struct Recorder {
    ReplyDispatcher dispatcher;
    QStringList seen;

    Recorder()
    {
        dispatcher.setHandler(u"pong", [this](ReplyText &t) {
            t.drop(5);
            seen << QStringLiteral("pong");
        });
        dispatcher.setHandler(u"Hattayok", [this](ReplyText &t) {
            t.drop(9);
            seen << QStringLiteral("Hattayok ") + t.takeField();
            t.drop(1);
        });
        dispatcher.setHandler(u"haklar", [this](ReplyText &t) {
            t.drop(7);
            const QString a = t.takeField();
            if (a.isEmpty())
                throw AbortChunk();
            seen << QStringLiteral("haklar ") + a;
        });
        // As the alarm reads it: serial, seven "$" items, the mask; what follows is the next reply's.
        dispatcher.setHandler(u"input", [this](ReplyText &t) {
            t.drop(6);
            const QString serial = t.takeField();
            for (int i = 0; i < 7; ++i)
                t.drop(t.rest().indexOf(u'$') + 1);
            seen << QStringLiteral("input ") + serial + u' ' + t.takeField();
        });
        dispatcher.setHandler(u"cihazlar", [this](ReplyText &t) {
            t.drop(9);
            QStringList fields;
            for (int i = 0; i < 4; ++i)
                fields << t.takeField();
            t.drop(1);
            seen << QStringLiteral("cihazlar ") + fields.join(u'|');
        });
    }
};

QString device(const QString &name)
{
    return QStringLiteral("cihazlar") + sep + QStringLiteral("G") + sep + QStringLiteral("VNA310") + sep +
           name + sep + QStringLiteral("1") + sep + sep + term;
}

} // namespace

TEST(ReplyDispatcher, PongLeavesOneTerminatorByte)
{
    Recorder r;
    EXPECT_TRUE(r.dispatcher.dispatch(QStringLiteral("pong") + term));
    EXPECT_EQ(r.seen, QStringList{QStringLiteral("pong")});
    EXPECT_EQ(r.dispatcher.lastLeft(), QString(QChar(0xF4)));
}

TEST(ReplyDispatcher, RepliesInOneChunk)
{
    struct Case {
        const char *name;
        QString chunk;
        QStringList seen;
    };
    const Case cases[] = {
        {"two device lists",
         device(QStringLiteral("a")) + device(QStringLiteral("b")),
         {QStringLiteral("cihazlar G|VNA310|a|1"), QStringLiteral("cihazlar G|VNA310|b|1")}},
        {"stray characters before a pong",
         QStringLiteral("xy") + QStringLiteral("pong") + term,
         {QStringLiteral("pong")}},
        // An input notice used to swallow the rest of its chunk, so a message notice sent with it was lost.
        {"a reply after input is handled",
         QStringLiteral("input") + sep + QStringLiteral("12001") + sep + QStringLiteral("1$2$3$4$5$6$7$5") +
             sep + term + QStringLiteral("pong") + term,
         {QStringLiteral("input 12001 5"), QStringLiteral("pong")}},
        {"a second input after input is handled",
         QStringLiteral("input") + sep + QStringLiteral("7") + sep + QStringLiteral("$$$$$$$1") + sep + term +
             QStringLiteral("input") + sep + QStringLiteral("8") + sep + QStringLiteral("$$$$$$$2") + sep +
             term,
         {QStringLiteral("input 7 1"), QStringLiteral("input 8 2")}},
        {"earlier tag after a later one waits for the next pass",
         QStringLiteral("Hattayok") + sep + QStringLiteral("77") + sep + sep + QStringLiteral("pong") + sep +
             term,
         {QStringLiteral("Hattayok 77"), QStringLiteral("pong")}},
        {"case differs", QStringLiteral("PONG") + term + QStringLiteral("hattayok") + sep, {}},
        {"tag inside unknown text is found",
         QStringLiteral("garbage pong") + sep + term,
         {QStringLiteral("pong")}},
        {"degerler is skipped",
         QStringLiteral("degerler") + sep + QStringLiteral("pong") + term,
         {QStringLiteral("pong")}},
    };
    for (const Case &c : cases) {
        Recorder r;
        r.dispatcher.dispatch(c.chunk);
        EXPECT_EQ(r.seen, c.seen) << c.name;
    }
}

TEST(ReplyDispatcher, HandlerErrorEndsTheChunkAndKeepsTheRemainder)
{
    Recorder r;
    r.dispatcher.dispatch(QStringLiteral("zz"));
    const QString before = r.dispatcher.lastRemainder();
    EXPECT_FALSE(r.dispatcher.dispatch(QStringLiteral("haklar") + sep + QStringLiteral("pong") + term));
    EXPECT_TRUE(r.seen.isEmpty());
    // The first pass recorded nothing before the handler failed, so the earlier remainder stands.
    EXPECT_EQ(r.dispatcher.lastRemainder(), before);
}

TEST(ReplyDispatcher, RemainderLivesAcrossChunks)
{
    Recorder r;
    // One character is tested once: the first pass records it.
    r.dispatcher.dispatch(QStringLiteral("q"));
    EXPECT_EQ(r.dispatcher.lastRemainder(), QStringLiteral("q"));
    EXPECT_EQ(r.dispatcher.lastLeft(), QStringLiteral("q"));
    // The same single character again equals the remainder and is deleted.
    r.dispatcher.dispatch(QStringLiteral("q"));
    EXPECT_EQ(r.dispatcher.lastLeft(), QString());
}

// The skipping rule as written: compare the whole remaining text every pass. The fast dispatcher must
// agree with it on what is handled, what is left and the remainder.
namespace
{
struct Reference {
    QString last;
    QStringList run(const QString &chunk, const ReplyDispatcher &, QString &left)
    {
        QStringList seen;
        QString rest = chunk;
        do {
            if (rest.startsWith(QStringLiteral("pong"))) {
                rest.remove(0, 5);
                seen << QStringLiteral("pong");
            }
            if (rest == last)
                rest.remove(0, 1);
            else
                last = rest;
        } while (rest.size() > 1);
        left = rest;
        return seen;
    }
};
} // namespace

TEST(ReplyDispatcher, AgreesWithTheQuadraticRuleOnRandomText)
{
    std::srand(7);
    const QString alphabet = QStringLiteral("pongx") + QChar(0xF4) + sep;
    for (int round = 0; round < 300; ++round) {
        ReplyDispatcher fast;
        QStringList seen;
        fast.setHandler(u"pong", [&](ReplyText &t) {
            t.drop(5);
            seen << QStringLiteral("pong");
        });
        Reference slow;
        for (int chunkNo = 0; chunkNo < 3; ++chunkNo) {
            QString chunk;
            const int n = std::rand() % 40;
            for (int i = 0; i < n; ++i)
                chunk += alphabet[std::rand() % alphabet.size()];
            if (std::rand() % 3 == 0)
                chunk += QStringLiteral("pong");
            seen.clear();
            QString left;
            const QStringList expected = slow.run(chunk, fast, left);
            fast.dispatch(chunk);
            ASSERT_EQ(seen, expected) << chunk.toStdString();
            ASSERT_EQ(fast.lastLeft(), left);
            ASSERT_EQ(fast.lastRemainder(), slow.last);
        }
    }
}

// A handler may cut text out ahead of the head (a readout's second header): the dispatcher then works on
// the shortened chunk, and the cut text is neither handled nor left over.
TEST(ReplyDispatcher, HandlerThatCutsTextAheadOfTheHead)
{
    ReplyDispatcher dispatcher;
    QStringList seen;
    dispatcher.setHandler(u"sayacal", [&seen](ReplyText &t) {
        t.drop(10);
        if (const qsizetype at = t.rest().indexOf(u"sayacal"); at >= 0)
            t.removeAhead(at, 10);
        seen << t.rest().toString();
    });
    dispatcher.setHandler(u"pong", [&seen](ReplyText &t) {
        t.drop(5);
        seen << QStringLiteral("pong");
    });
    const QString header = QStringLiteral("sayacal") + QString(3, sep);
    EXPECT_TRUE(dispatcher.dispatch(header + QStringLiteral("A") + header + QStringLiteral("B") + term +
                                    QStringLiteral("pong") + term));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("AB") + term + QStringLiteral("pong") + term,
                                 QStringLiteral("pong")}));
    EXPECT_EQ(dispatcher.lastLeft(), QString(QChar(0xF4)));
    // A cut that reaches past the end takes what is there.
    seen.clear();
    EXPECT_TRUE(dispatcher.dispatch(header + QStringLiteral("xy") + QStringLiteral("sayacal")));
    EXPECT_EQ(seen, QStringList{QStringLiteral("xy")});
}
