// The receiver between the link's reads and the dispatcher: replies cut anywhere by the network are
// handled whole, a tail whose end never comes is handled after its wait, and a long chunk runs in slices
// that let the event loop in, in the order the reads came.
#include "link/ReplyReceiver.h"
#include "CaptionScreen.h"
#include "core/Environment.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "link/Link.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{

QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "link_tests";
    static char *argv[] = {name, nullptr};
    static auto *instance = new QCoreApplication(argc, argv);
    return *instance;
}

class TestLink final : public Link
{
public:
    bool open(const QString &, quint16) override { return true; }
    bool isConnected() const override { return true; }
    void write(const QByteArray &) override {}
    QByteArray readAll() override { return std::exchange(m_bytes, {}); }
    void abort() override {}
    void deliver(const QString &text)
    {
        m_bytes += cp1254::encode(text);
        Q_EMIT readyRead();
    }

private:
    QByteArray m_bytes;
};

class TestEnvironment final : public Environment
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 1, 15), QTime(10, 30)); }
    bool internetAvailable() override { return true; }
    bool fileExists(const QString &) const override { return true; }
    void playSound(const QString &) override {}
    void stopSound() override {}
    Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) override
    {
        auto *ticker = new Ticker(name, intervalMs, Ticker::Mode::Manual, parent);
        if (name == QLatin1String("TFrmAna.TimerParca"))
            hold = ticker;
        return ticker;
    }
    void showError(const QString &) override {}
    void showInfo(const QString &) override {}
    bool ask(const QString &) override { return false; }

    Ticker *hold = nullptr;
};

const QString term(3, QChar(0xF4));

// Fields written with '|' for the 0x01 that ends each.
QString fields(const char *text)
{
    return QString::fromUtf8(text).replace(u'|', QChar(0x01));
}

// A login, a register dump and the notices after it, as one server wrote them.
const QString recording = fields("cihazlar|G|VNA310|Analizör|12001|") + term +
                          fields("cihazlar|Şube|VNR420|Röle|12002|") + term + fields("haklar|3|0|") + term +
                          fields("tblhaklar|1|0|7|3|255|7|") + term +
                          fields("enerjial|||1$3$144$68$122$0$0$68$122$32$0$0$0$0$0$70$36$16$0$") + term +
                          fields("mesajvar|Başlık|Metin|") + term + fields("pong|") + term;

// A client whose handlers note each reply's tag and fields, up to the terminator.
struct Receiving {
    Receiving()
    {
        app();
        for (const char16_t *tag : ReplyDispatcher::tagOrder) {
            const QString name = QString::fromUtf16(tag);
            dispatcher.setHandler(name, [this, name](ReplyText &text) {
                text.drop(name.size());
                const qsizetype end = text.rest().indexOf(term);
                const QStringView body = end < 0 ? text.rest() : text.rest().first(end);
                seen << name + u'|' + body.toString();
                text.drop(body.size());
            });
        }
    }

    // Runs the event loop until every read was handled.
    void settle()
    {
        while (!receiver.isIdle())
            QCoreApplication::processEvents();
    }

    TestLink link;
    TestEnvironment environment;
    test::CaptionScreen screen;
    ReplyDispatcher dispatcher;
    ReplyReceiver receiver{link, dispatcher, screen, environment};
    QStringList seen;
};

QStringList whole()
{
    Receiving r;
    r.link.deliver(recording);
    EXPECT_TRUE(r.receiver.held().isEmpty());
    return r.seen;
}

TEST(ReplyReceiverTest, RecordingSplitAtEveryByteIsHandledAsWhole)
{
    const QStringList expected = whole();
    ASSERT_EQ(expected.size(), 7);
    for (qsizetype at = 0; at <= recording.size(); ++at) {
        Receiving r;
        r.link.deliver(recording.first(at));
        r.link.deliver(recording.mid(at));
        ASSERT_EQ(r.seen, expected) << "split at " << at;
        EXPECT_TRUE(r.receiver.held().isEmpty());
        EXPECT_FALSE(r.environment.hold->isActive());
    }
}

TEST(ReplyReceiverTest, RecordingInSinglesAndInSlicesIsHandledAsWhole)
{
    const QStringList expected = whole();
    Receiving singles;
    for (const QChar c : recording)
        singles.link.deliver(QString(c));
    EXPECT_EQ(singles.seen, expected);

    // Slices of no time: the dispatcher stops at each look at the clock and the event loop runs between.
    Receiving sliced;
    sliced.receiver.setSliceTime(std::chrono::nanoseconds(0));
    int loopTurns = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { ++loopTurns; });
    probe.start(0);
    const QString many = recording.repeated(40);
    sliced.link.deliver(many.first(many.size() / 2));
    sliced.link.deliver(many.mid(many.size() / 2));
    EXPECT_LT(sliced.seen.size(), expected.size() * 40);
    sliced.settle();
    QStringList expectedMany;
    for (int i = 0; i < 40; ++i)
        expectedMany << expected;
    EXPECT_EQ(sliced.seen, expectedMany);
    EXPECT_GT(loopTurns, 1);
}

TEST(ReplyReceiverTest, HeldTailIsHandledAsItStandsAfterItsWait)
{
    Receiving r;
    r.link.deliver(fields("pong|") + term + fields("cihazlar|G|VNA"));
    EXPECT_EQ(r.seen, QStringList{QStringLiteral("pong|\x01")});
    EXPECT_EQ(r.receiver.held(), fields("cihazlar|G|VNA"));
    ASSERT_TRUE(r.environment.hold->isActive());
    r.environment.hold->fire();
    EXPECT_EQ(r.seen.last(), QStringLiteral("cihazlar|") + fields("|G|VNA"));
    EXPECT_TRUE(r.receiver.held().isEmpty());
    EXPECT_FALSE(r.environment.hold->isActive());
    // What follows is a new start: its own bytes only.
    r.link.deliver(fields("310|") + term + fields("pong|") + term);
    EXPECT_EQ(r.seen.last(), QStringLiteral("pong|\x01"));
}

TEST(ReplyReceiverTest, ANewConnectionDropsTheTailOfTheLastOne)
{
    Receiving r;
    r.link.deliver(fields("cihazlar|G|VNA"));
    ASSERT_FALSE(r.receiver.held().isEmpty());
    Q_EMIT r.link.connected();
    EXPECT_TRUE(r.receiver.held().isEmpty());
    EXPECT_FALSE(r.environment.hold->isActive());
    r.link.deliver(fields("pong|") + term);
    EXPECT_EQ(r.seen, QStringList{QStringLiteral("pong|\x01")});
}

TEST(ReplyReceiverTest, TailBeyondTheBoundIsNotHeld)
{
    Receiving r;
    r.link.deliver(QStringLiteral("cihazlar\x01") + QString(ReplyReceiver::maxHeld, u'x'));
    EXPECT_TRUE(r.receiver.held().isEmpty());
    ASSERT_EQ(r.seen.size(), 1);
    EXPECT_EQ(r.seen[0].size(), 10 + ReplyReceiver::maxHeld);
}

TEST(ReplyReceiverTest, OnlyATailThatBeginsAReplyIsHeld)
{
    const struct {
        QString text;
        qsizetype heldFrom; // -1: nothing held
    } cases[] = {
        {QString(), -1},
        {QStringLiteral("pong"), 0},
        {QStringLiteral("p"), 0},
        {QStringLiteral("Hatt"), 0},
        {QStringLiteral("tblhak"), 0},
        {QStringLiteral("pong\x01") + term.first(2), 0},
        {QStringLiteral("pong\x01") + term, -1},
        {QStringLiteral("pong\x01") + term + QStringLiteral("cih"), 8},
        {QStringLiteral("pong\x01") + term + QStringLiteral("cihazlarX"), 8},
        {QStringLiteral("pong\x01") + term + QStringLiteral("x"), -1},
        {QStringLiteral("pong\x01") + term + QStringLiteral("\x01pong"), -1},
        {QStringLiteral("xpong"), -1},
        {QStringLiteral("PONG"), -1},
        {QString(4, QChar(0xF4)), -1},
        {QString(4, QChar(0xF4)) + QStringLiteral("in"), 4},
        // A register dump has no terminator: it is whole with its byte count's bytes, trailing ones or not.
        {fields("enerjial|||1$3$4$67$92$128$0$"), -1},
        {fields("enerjial|||1$3$4$67$92$128$0$12$34$|"), -1},
        {fields("pong|") + term + fields("enerjial|||1$3$4$67$92$128$0$"), -1},
        {fields("pong|") + term + fields("enerjial|||1$3$4$67$92$128$0"), 8},
        {fields("enerjial|||1$3$4$67$92$"), 0},
        {fields("enerjial|||1$3$"), 0},
        {fields("enerjial||"), 0},
        {fields("enerjial|||1$3$4$67$199$239$128$"), 0},
        {fields("enerjial|||1$3$4$67$199$239$128$0$"), -1},
        {fields("enerjial|||1$3$x$"), -1},
        {fields("enerjial|||1$3$0$"), -1},
        {fields("enerjial|||1$3$255$") + QStringLiteral("1$").repeated(3000), -1},
    };
    for (const auto &c : cases) {
        const qsizetype expected = c.heldFrom < 0 ? c.text.size() : c.heldFrom;
        EXPECT_EQ(ReplyReceiver::heldTailStart(c.text), expected) << qPrintable(c.text);
    }
}

} // namespace
