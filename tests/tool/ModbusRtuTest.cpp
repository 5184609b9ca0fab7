#include "tool/ModbusRtu.h"

#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::modbus;

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v));
    return result;
}

QString hex(const std::optional<QByteArray> &frame)
{
    return frame ? QString::fromLatin1(frame->toHex(' ').toUpper()) : QStringLiteral("(none)");
}

} // namespace

TEST(ModbusCrc, KnownAnswers)
{
    EXPECT_EQ(crc16("123456789"), 0x4B37);
    EXPECT_EQ(crc16({}), 0xFFFF);
    // Appended low byte first: the known frames end in C4 38 and E6 53.
    QByteArray frame = bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x46});
    appendCrc(frame);
    EXPECT_EQ(frame, bytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x46, 0xC4, 0x38}));
}

TEST(ModbusFrames, ReadFrameFields)
{
    const struct {
        const char *address, *start, *count, *frame;
    } cases[] = {
        {"1", "0", "70", "01 03 00 00 00 46 C4 38"},
        {"1", "0", "300", "01 03 00 00 00 2C 44 17"}, // 300 mod 256
        {"257", "256", "-186", "01 03 00 00 00 46 C4 38"},
        {"-1", "10", "4", "FF 03 00 0A 00 04 71 D5"},
        {" 1", "+10", "4", "01 03 00 0A 00 04 64 0B"},
        {"1", "0", "abc", "(none)"},
        {"1", "", "70", "(none)"},
        {"x1", "0", "70", "(none)"},
        {"1", "0", "70 ", "(none)"},
        {"1", "0", "99999999999", "(none)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(hex(readFrame(QString::fromLatin1(c.address), QString::fromLatin1(c.start),
                                QString::fromLatin1(c.count))),
                  QString::fromLatin1(c.frame))
            << c.address << " " << c.start << " " << c.count;
}

TEST(ModbusFrames, WriteFrameFields)
{
    const auto write = [](const char *reg, std::array<const char *, 4> data) {
        return hex(writeFrame(QString::fromLatin1(reg),
                              {QString::fromLatin1(data[0]), QString::fromLatin1(data[1]),
                               QString::fromLatin1(data[2]), QString::fromLatin1(data[3])}));
    };
    EXPECT_EQ(write("0", {"255", "255", "255", "255"}), QStringLiteral("01 06 00 00 FF FF FF FF E6 53"));
    EXPECT_EQ(write("261", {"-223", "256", "0", "512"}), QStringLiteral("01 06 00 05 21 00 00 00 21 FB"));
    EXPECT_EQ(write("0", {"255", "255", "", "255"}), QStringLiteral("(none)"));
    EXPECT_EQ(write("zero", {"255", "255", "255", "255"}), QStringLiteral("(none)"));
}

TEST(ModbusReply, ACompleteCheckedReadReplyGivesDataWhateverFollowsIt)
{
    const QByteArray reply = bytes({0x01, 0x03, 0x04, 0x43, 0x5C, 0x80, 0x00, 0x4E, 0x65});
    const auto data = readReplyData(reply, 1);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->toByteArray(), bytes({0x43, 0x5C, 0x80, 0x00}));
    // Every prefix is incomplete; a byte more is no reply.
    for (qsizetype n = 0; n < reply.size(); ++n)
        EXPECT_FALSE(readReplyData(QByteArrayView(reply).first(n), 1)) << n;
    // Bytes after the frame's own length are not part of it.
    for (const QByteArray &stray : {bytes({0x00}), bytes({0x01, 0x03, 0x04}), QByteArray(300, char(0xFF))}) {
        const QByteArray received = reply + stray;
        const auto followed = readReplyData(received, 1);
        ASSERT_TRUE(followed);
        EXPECT_EQ(followed->toByteArray(), bytes({0x43, 0x5C, 0x80, 0x00}));
    }
    EXPECT_FALSE(readReplyData(reply, 2)); // another device
    QByteArray broken = reply;
    broken[4] = char(0x5D);
    EXPECT_FALSE(readReplyData(broken, 1));
    // An exception answer (function 0x83) and a zero-length reply.
    EXPECT_FALSE(readReplyData(bytes({0x01, 0x83, 0x02, 0xC0, 0xF1}), 1));
    const auto empty = readReplyData(bytes({0x01, 0x03, 0x00, 0x20, 0xF0}), 1);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST(ModbusReply, DumpTextAppendsEachByteInDecimal)
{
    QString text;
    appendDumpText(text, bytes({1, 3, 4}));
    appendDumpText(text, bytes({67, 92, 128, 0, 10, 20}));
    EXPECT_EQ(text, QStringLiteral("1$3$4$67$92$128$0$10$20$"));
    appendDumpText(text, bytes({255}));
    EXPECT_TRUE(text.endsWith(QStringLiteral("$20$255$")));
}
