#include "values/RegisterDump.h"

#include "core/AbortChunk.h"
#include "values/DeviceValueTable.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace korvel;

namespace
{

struct Slot {
    int slot;
    double value;
    DeviceValueTable::RawBytes raw;
};

struct DumpCase {
    const char *name;
    int cursor;
    const char16_t *text;
    std::vector<Slot> stored;
    int cursorAfter;
    bool aborts = false;
};

// Decodes into a fresh table and collects the log lines.
struct Decoder {
    DeviceValueTable table;
    QStringList log;

    bool decode(QStringView text, QChar separator = u'.')
    {
        try {
            DecodeRegisterDump(table, text, separator, [this](const QString &line) { log.append(line); });
        } catch (const AbortChunk &) {
            return false;
        }
        return true;
    }

    int storedSlots(int row = 1) const
    {
        int count = 0;
        for (int slot = 0; slot < DeviceValueTable::SlotCount; ++slot)
            count += table.value(row, slot) != -1.0 || table.rawByte(row, slot, 0) != -1;
        return count;
    }
};

const DumpCase dumpCases[] = {
    {"float", 0, u"1$3$4$67$92$128$0$", {{0, 220.5, {67, 92, 128, 0}}}, 1},
    {"integer slot", 35, u"1$3$4$67$92$128$0$", {{35, 8412227, {67, 92, 128, 0}}}, 36},
    {"negative integer", 52, u"1$3$4$1$2$3$200$", {{52, -939326975, {1, 2, 3, 200}}}, 53},
    {"integer spill above 255", 35, u"1$3$4$300$0$0$0$", {{35, 300, {300, 0, 0, 0}}}, 36},
    {"integer wraps from 2^32", 35, u"1$3$4$0$0$0$256$", {{35, 0, {0, 0, 0, 256}}}, 36},
    {"exponent 255", 0, u"1$3$4$127$128$0$0$", {{0, 0.0, {127, 128, 0, 0}}}, 1},
    {"trailing bytes unread", 0, u"1$3$4$67$92$128$0$12$x$", {{0, 220.5, {67, 92, 128, 0}}}, 1},
    {"blanks and sign", 0, u"1$ 3$+4$ 67$92$-128$0", {{0, 220.5, {67, 92, -128, 0}}}, 1},
    {"count below 4", 0, u"1$3$3$1$2$3$", {}, 0},
    {"negative count", 0, u"1$3$-8$1$2$3$4$", {}, 0},
    {"count 7 is one group", 0, u"1$3$7$67$92$128$0$1$2$3$", {{0, 220.5, {67, 92, 128, 0}}}, 1},
    {"missing numbers repeat the previous group",
     0,
     u"1$3$12$67$92$128$0$63$128$",
     {{0, 220.5, {67, 92, 128, 0}}, {1, 1.00390625, {63, 128, 128, 0}}, {2, 1.00390625, {63, 128, 128, 0}}},
     3},
    {"missing numbers of the first group are 0",
     0,
     u"1$3$8$",
     {{0, 0.0, {0, 0, 0, 0}}, {1, 0.0, {0, 0, 0, 0}}},
     2},
    {"marker in the header", 0, u"1$199$239$4$67$92$128$0$", {{0, 220.5, {67, 92, 128, 0}}}, 1},
    {"marker in the data removes a number",
     0,
     u"1$3$8$67$92$128$0$63$199$239$0$0$",
     {{0, 220.5, {67, 92, 128, 0}}, {1, 0.51171875, {63, 3, 0, 0}}},
     2},
    // "$199$2391$" becomes "$31$": the replacement does not respect number boundaries.
    {"marker joins digits",
     35,
     u"1$3$4$67$92$199$2391$",
     {{35, 67 + 92 * 256 + 31 * 65536, {67, 92, 31, 0}}},
     36},
    {"bad function code", 0, u"1$x$4$67$92$128$0$", {}, 0, true},
    {"empty count", 0, u"1$3$", {}, 0, true},
    {"empty text", 0, u"", {}, 0, true},
    {"count beyond 32 bits", 0, u"1$3$4294967300$67$92$128$0$", {}, 0, true},
    {"empty number", 0, u"1$3$4$67$$128$0$", {}, 0, true},
    {"bad byte in the second group keeps the first",
     0,
     u"1$3$8$67$92$128$0$63$1z8$0$0$",
     {{0, 220.5, {67, 92, 128, 0}}},
     1,
     true},
    {"hex is no decimal", 0, u"1$3$4$0x43$92$128$0$", {}, 0, true},
    // The row ends at slot 255: the cursor stops at 256 and row 2 stays untouched.
    {"end of the row",
     254,
     u"1$3$16$63$128$0$0$64$0$0$0$64$64$0$0$64$128$0$0$",
     {{254, 1.0, {63, 128, 0, 0}}, {255, 2.0, {64, 0, 0, 0}}},
     256},
    {"cursor already past the row", 300, u"1$3$8$63$128$0$0$", {}, 300},
    {"negative cursor reads but drops", -1, u"1$3$8$63$128$0$0$64$0$0$0$", {{0, 2.0, {64, 0, 0, 0}}}, 1},
};

class DumpCases : public testing::TestWithParam<DumpCase>
{
};

} // namespace

TEST_P(DumpCases, StoresExactlyTheExpectedSlots)
{
    const DumpCase &c = GetParam();
    Decoder d;
    d.table.setSlotCursor(c.cursor);
    d.table.receiveText() = QStringLiteral("1$3$");
    EXPECT_EQ(d.decode(QStringView(c.text)), !c.aborts);
    EXPECT_TRUE(d.table.receiveText().isEmpty());
    EXPECT_EQ(d.table.slotCursor(), c.cursorAfter);
    for (const Slot &s : c.stored) {
        EXPECT_EQ(d.table.value(1, s.slot), s.value) << "slot " << s.slot;
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(d.table.rawByte(1, s.slot, k), s.raw[std::size_t(k)])
                << "slot " << s.slot << " byte " << k;
    }
    EXPECT_EQ(d.storedSlots(1), int(c.stored.size()));
    EXPECT_EQ(d.storedSlots(2), 0);
    EXPECT_EQ(d.log.size(), qsizetype(c.stored.size()));
}

INSTANTIATE_TEST_SUITE_P(RegisterDump, DumpCases, testing::ValuesIn(dumpCases),
                         [](const testing::TestParamInfo<DumpCase> &info) {
                             std::string name;
                             for (const char *p = info.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

TEST(RegisterDump, LogsValueAndCheckInGeneralFormat)
{
    Decoder d;
    ASSERT_TRUE(d.decode(u"1$3$12$67$92$128$0$127$128$0$0$0$0$0$1$", u','));
    d.table.setSlotCursor(35);
    ASSERT_TRUE(d.decode(u"1$3$4$67$92$128$0$"));
    EXPECT_EQ(d.log, (QStringList{QStringLiteral("toplam:220,5=220,5"),
                                  QStringLiteral("toplam:0=3,40282366920938E38"),
                                  QStringLiteral("toplam:1,40129846432482E-45=7,00649232162409E-46"),
                                  QStringLiteral("toplam:8412227=220.5")}));
}

TEST(RegisterDump, DecodesAViewOfItsOwnReceiveText)
{
    Decoder d;
    d.table.receiveText() = QStringLiteral("1$3$4$67$92$128$0$");
    ASSERT_TRUE(d.decode(d.table.receiveText()));
    EXPECT_EQ(d.table.value(1, 0), 220.5);
    EXPECT_TRUE(d.table.receiveText().isEmpty());
}

// A hostile byte count must not spin through hundreds of millions of groups.
TEST(RegisterDump, HugeByteCountEndsAtTheRowBoundary)
{
    for (int cursor : {0, -1000, INT_MIN}) {
        Decoder d;
        d.table.setSlotCursor(cursor);
        ASSERT_TRUE(d.decode(u"1$3$2147483647$63$128$0$0$"));
        EXPECT_EQ(d.table.slotCursor(), cursor == INT_MIN ? INT_MIN + 2147483647 / 4 : 256);
        EXPECT_EQ(d.storedSlots(2), 0);
    }
}

TEST(RegisterDump, LongestDumpFillsTheRow)
{
    QString text = QStringLiteral("1$3$1024$");
    for (int i = 0; i < 256; ++i)
        text += QStringLiteral("63$128$0$%1$").arg(i);
    Decoder d;
    ASSERT_TRUE(d.decode(text));
    EXPECT_EQ(d.table.slotCursor(), 256);
    EXPECT_EQ(d.storedSlots(1), 256);
    EXPECT_EQ(d.table.rawByte(1, 255, 3), 255);
    EXPECT_EQ(d.table.value(1, 35), 63 + 128 * 256 + 35 * 16777216);
}

// Random text, random numbers and every truncation of a valid dump, from cursors in and around the row:
// the decoder may abort but must stay inside row 1 and never run the cursor past the row's end.
TEST(RegisterDump, SurvivesRandomAndTruncatedInput)
{
    std::mt19937 random(1);
    const QString valid = QStringLiteral("1$3$16$67$92$128$0$63$199$239$0$0$1$2$3$4$255$255$255$255$9$9$");
    std::vector<QString> texts;
    for (qsizetype n = 0; n <= valid.size(); ++n)
        texts.push_back(valid.left(n));
    const QString alphabet = QStringLiteral("0123456789$$$$ -+x9");
    for (int i = 0; i < 3000; ++i) {
        QString text;
        const int length = std::uniform_int_distribution<int>(0, 80)(random);
        for (int k = 0; k < length; ++k) {
            text += i % 3 == 0
                        ? QChar(char16_t(std::uniform_int_distribution<int>(0, 0xFFFF)(random)))
                        : alphabet[std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(random)];
        }
        texts.push_back(i % 2 ? QStringLiteral("1$3$") + text : text);
    }
    texts.push_back(QStringLiteral("1$3$8$") + QString(100000, u'9') + QStringLiteral("$"));
    Decoder d;
    for (const QString &text : texts) {
        for (int cursor : {-3, 0, 253, 256}) {
            d.table.resetRow(1);
            d.table.setSlotCursor(cursor);
            d.decode(text);
            ASSERT_GE(d.table.slotCursor(), cursor);
            ASSERT_LE(d.table.slotCursor(), std::max(cursor, 256));
        }
    }
    EXPECT_EQ(d.storedSlots(2), 0);
    EXPECT_EQ(d.storedSlots(250), 0);
}

// The serial path: bytes straight from the device know no "$199$239" escape.
TEST(RegisterBytes, StoresGroupsAsTheDumpDoesWithoutItsEscape)
{
    Decoder d;
    d.table.setSlotCursor(34);
    const char data[] = {char(199), char(239), 0, 0, 1, char(244), 5, 0, 7, 7};
    DecodeRegisterBytes(d.table, QByteArrayView(data, sizeof data), u'.',
                        [&d](const QString &line) { d.log.append(line); });
    EXPECT_EQ(d.table.value(1, 34), -122368.0);
    EXPECT_EQ(d.table.rawByte(1, 34, 1), 239);
    EXPECT_EQ(d.table.value(1, 35), 390145); // integer slot
    EXPECT_EQ(d.table.slotCursor(), 36);     // the two bytes left over make no group
    EXPECT_EQ(d.log, QStringList({QStringLiteral("toplam:-122368=-122368"),
                                  QStringLiteral("toplam:390145=8.96386188983368E-38")}));
    // The row ends at slot 255.
    d.table.setSlotCursor(255);
    DecodeRegisterBytes(d.table, QByteArrayView(data, 8), u'.', {});
    EXPECT_EQ(d.table.slotCursor(), 256);
    EXPECT_EQ(d.table.value(1, 255), -122368.0);
}
