#include "control/WaveformReply.h"

#include <QString>
#include <gtest/gtest.h>

#include <vector>

using namespace korvel;

namespace
{
// The dump of a reply as a device sends it: address, function code, byte count, the bytes, two check
// bytes, then the field separator and the terminator.
QString deviceReply(const std::vector<int> &bytes)
{
    QString text = QStringLiteral("1$3$%1$").arg(bytes.size());
    for (int b : bytes)
        text += QString::number(b) + u'$';
    return text + QStringLiteral("17$201$\x01\u00F4\u00F4\u00F4");
}

std::vector<int> read(const QString &text, bool *failed = nullptr)
{
    const WaveformReply reply = WaveformReply::read(text);
    if (failed)
        *failed = reply.failed;
    return {reply.samples.begin(), reply.samples.end()};
}
} // namespace

// Regression: the separator and terminator after the last check byte were read as a sample and
// reported every good reply as an error.
TEST(WaveformReply, FullReplyEndsAtItsTerminator)
{
    std::vector<int> bytes;
    for (int i = 0; i < 128; ++i)
        bytes.push_back(i * 2);
    bool failed = true;
    const std::vector<int> samples = read(deviceReply(bytes), &failed);
    EXPECT_FALSE(failed);
    ASSERT_EQ(samples.size(), 130u);
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[63], 126);
    EXPECT_EQ(samples[64], 128 - 256);
    EXPECT_EQ(samples[127], 254 - 256);
    EXPECT_EQ(samples[128], 17);
    EXPECT_EQ(samples[129], 201 - 256);
}

TEST(WaveformReply, Cases)
{
    const struct {
        const char *name;
        QString text;
        std::vector<int> samples;
        bool failed;
    } cases[] = {
        {"signed bytes", QStringLiteral("1$3$4$0$127$128$200$255$-5$"), {0, 127, -128, -56, -1, -5}, false},
        {"escaped pair is one 3", QStringLiteral("1$3$4$5$199$239$6$"), {5, 3, 6}, false},
        {"escape in the header", QStringLiteral("1$199$239$9$8$"), {8}, false},
        {"blank before a number", QStringLiteral("1$3$4$ 7$8$"), {7, 8}, false},
        {"last number without $", QStringLiteral("1$3$4$5$67"), {5, 67}, false},
        {"last single character stays", QStringLiteral("1$3$4$5$6$7"), {5, 6}, false},
        {"terminator without separator", QStringLiteral("1$3$4$5$\u00F4\u00F4\u00F4"), {5}, false},
        {"nothing after the header", QStringLiteral("1$3$0$\x01\u00F4\u00F4\u00F4"), {}, false},
        {"empty", QString(), {}, false},
        {"not a number stops", QStringLiteral("1$3$4$5$x$7$"), {5}, true},
        {"empty number stops", QStringLiteral("1$3$4$5$$7$"), {5}, true},
        {"decimal stops", QStringLiteral("1$3$4$5$1.5$7$"), {5}, true},
        {"beyond 32 bits stops", QStringLiteral("1$3$4$5$99999999999$7$"), {5}, true},
        {"rest after the terminator is ignored",
         QStringLiteral("1$3$4$5$\x01\u00F4\u00F4\u00F4pong\x01"),
         {5},
         false},
    };
    for (const auto &c : cases) {
        bool failed = false;
        EXPECT_EQ(read(c.text, &failed), c.samples) << c.name;
        EXPECT_EQ(failed, c.failed) << c.name;
    }
}
