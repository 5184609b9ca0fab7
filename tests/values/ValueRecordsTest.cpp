#include "values/ValueRecords.h"

#include "core/AbortChunk.h"
#include "values/DeviceValueTable.h"

#include <gtest/gtest.h>

#include <random>

using namespace korvel;

namespace
{

// Record j (j != 43) carries the whole number 7 * j + 1; record 43 names the row in its first five
// characters.
QString record(int j, int row)
{
    if (j == 43)
        return QStringLiteral("$1%1").arg(row, 5, 10, QLatin1Char('0')) + QStringLiteral("999");
    return QStringLiteral("$1%1").arg(7 * j + 1, 8, 10, QLatin1Char('0'));
}

QString recordSet(int count, int row = 2)
{
    QString text;
    for (int j = 0; j < count; ++j)
        text += record(j, row);
    return text;
}

double expected(int j, int row = 2)
{
    if (j == 43)
        return row * 1000 + 999;
    const double value = 7 * j + 1;
    return j >= 30 && j <= 41 ? value / 3600 : value;
}

struct Decoder {
    DeviceValueTable table;

    bool decode(QStringView text, QChar separator = u'.')
    {
        try {
            DecodeValueRecords(table, text, separator);
        } catch (const AbortChunk &) {
            return false;
        }
        return true;
    }

    int storedSlots(int row) const
    {
        int count = 0;
        for (int slot = 0; slot < DeviceValueTable::SlotCount; ++slot)
            count += table.value(row, slot) != -1.0;
        return count;
    }
};

} // namespace

// Also covers entries 30 to 41 arriving in seconds and stored in hours, and entry 43 stored as is.
TEST(ValueRecords, FortyFiveEntriesFillTheNamedRow)
{
    Decoder d;
    d.table.setSlotCursor(7);
    ASSERT_TRUE(d.decode(recordSet(45)));
    for (int j = 0; j < 45; ++j)
        EXPECT_DOUBLE_EQ(d.table.value(2, j), expected(j)) << "slot " << j;
    EXPECT_EQ(d.storedSlots(2), 45);
    EXPECT_EQ(d.storedSlots(1), 0);
    EXPECT_EQ(d.table.rawByte(2, 0, 0), -1);
    EXPECT_EQ(d.table.slotCursor(), 7);
}

TEST(ValueRecords, ShortOrUnreadableSetsStoreNothing)
{
    const struct {
        const char *name;
        QString text;
        bool aborts;
    } cases[] = {
        {"44 entries", recordSet(44), false},
        {"45 records, one of kind 2", recordSet(10) + QStringLiteral("$212345678") + recordSet(45).mid(110),
         false},
        {"lone $ at the end", recordSet(45) + QStringLiteral("$"), false},
        {"no leading $", QStringLiteral("x") + recordSet(45).mid(1), false},
        {"empty", QString(), false},
        {"row 0", recordSet(45, 0), false},
        {"row 251", recordSet(45, 251), false},
        {"negative row", recordSet(43) + QStringLiteral("$1-0001999") + recordSet(45).mid(440), false},
        {"row not an integer", recordSet(43) + QStringLiteral("$10a002999") + recordSet(45).mid(440), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Decoder d;
        EXPECT_EQ(d.decode(c.text), !c.aborts);
        for (int row = DeviceValueTable::FirstRow; row <= DeviceValueTable::LastRow; ++row)
            ASSERT_EQ(d.storedSlots(row), 0) << "row " << row;
    }
}

TEST(ValueRecords, OtherKindsMakeNoEntryAndLaterOnesMoveUp)
{
    // Record 10 has kind "2": record 11 becomes entry 10, and so on up to record 44 naming the row.
    const QString text = recordSet(45).insert(10 * 10, QStringLiteral("$212345678"));
    Decoder d;
    ASSERT_TRUE(d.decode(text));
    for (int j = 0; j < 45; ++j)
        EXPECT_DOUBLE_EQ(d.table.value(2, j), expected(j)) << "slot " << j;
    EXPECT_EQ(d.storedSlots(2), 45);
}

TEST(ValueRecords, KindZeroHasAnImpliedDecimalSeparator)
{
    for (QChar separator : {QChar(u'.'), QChar(u',')}) {
        QString text = recordSet(45);
        text.replace(0, 10, QStringLiteral("$012345678"));
        text += QStringLiteral("$000001500$0123"); // the last one truncated: "123" + separator
        Decoder d;
        ASSERT_TRUE(d.decode(text, separator));
        EXPECT_EQ(d.table.value(2, 0), 12345.678);
        EXPECT_EQ(d.table.value(2, 45), 1.5);
        EXPECT_EQ(d.table.value(2, 46), 123);
    }
}

TEST(ValueRecords, KindOneIsReadWithTheUsersSeparator)
{
    QString text = recordSet(45);
    text.replace(0, 10, QStringLiteral("$10012,500"));
    Decoder comma;
    ASSERT_TRUE(comma.decode(text, u','));
    EXPECT_EQ(comma.table.value(2, 0), 12.5);

    // With "." as the separator "0012,500" is no number: the store stops before slot 0.
    Decoder point;
    EXPECT_FALSE(point.decode(text, u'.'));
    EXPECT_EQ(point.storedSlots(2), 0);
}

TEST(ValueRecords, AnEntryThatIsNoNumberStopsTheStoreThere)
{
    QString text = recordSet(45);
    text.replace(20 * 10 + 2, 8, QStringLiteral("12x45678"));
    Decoder d;
    for (int slot = 0; slot < 45; ++slot)
        d.table.setValue(2, slot, 7.0);
    EXPECT_FALSE(d.decode(text));
    EXPECT_EQ(d.table.value(2, 19), expected(19));
    EXPECT_EQ(d.table.value(2, 20), 7.0);
    EXPECT_EQ(d.table.value(2, 44), 7.0);
}

TEST(ValueRecords, AtMost201RecordsAreRead)
{
    Decoder d;
    ASSERT_TRUE(d.decode(recordSet(250)));
    EXPECT_EQ(d.storedSlots(2), 201);
    EXPECT_EQ(d.table.value(2, 200), expected(200));
    EXPECT_EQ(d.table.value(2, 201), -1.0);
}

// Random and truncated record sets, odd payloads and huge texts: the decoder may abort, but writes
// nothing outside the row it names.
TEST(ValueRecords, SurvivesRandomAndTruncatedInput)
{
    std::mt19937 random(3);
    const QString valid = recordSet(47, 250);
    std::vector<QString> texts;
    for (qsizetype n = 0; n <= valid.size(); ++n)
        texts.push_back(valid.left(n));
    const QString alphabet = QStringLiteral("$$0123456789.,e-+ 10");
    for (int i = 0; i < 3000; ++i) {
        QString text = QStringLiteral("$");
        const int length = std::uniform_int_distribution<int>(0, 600)(random);
        for (int k = 0; k < length; ++k) {
            text += i % 3 == 0
                        ? QChar(char16_t(std::uniform_int_distribution<int>(0, 0xFFFF)(random)))
                        : alphabet[std::uniform_int_distribution<int>(0, int(alphabet.size()) - 1)(random)];
        }
        texts.push_back(text);
    }
    texts.push_back(recordSet(201) + QString(1000000, u'9'));
    Decoder d;
    for (const QString &text : texts)
        d.decode(text);
    for (int row = DeviceValueTable::FirstRow; row <= DeviceValueTable::LastRow; ++row) {
        for (int slot = 201; slot < DeviceValueTable::SlotCount; ++slot)
            ASSERT_EQ(d.table.value(row, slot), -1.0);
    }
}
