#include "values/DeviceValueTable.h"

#include <gtest/gtest.h>

#include <set>

using korvel::DeviceValueTable;

namespace
{

bool rowIsUnset(const DeviceValueTable &table, int row)
{
    for (int slot = 0; slot < DeviceValueTable::SlotCount; ++slot) {
        if (table.value(row, slot) != -1.0)
            return false;
        for (int k = 0; k < 4; ++k) {
            if (table.rawByte(row, slot, k) != -1)
                return false;
        }
    }
    return true;
}

} // namespace

TEST(DeviceValueTable, StartsUnsetEverywhere)
{
    const DeviceValueTable table;
    for (int row = DeviceValueTable::FirstRow; row <= DeviceValueTable::LastRow; ++row)
        ASSERT_TRUE(rowIsUnset(table, row)) << "row " << row;
    EXPECT_EQ(table.slotCursor(), 0);
    EXPECT_TRUE(table.receiveText().isEmpty());
}

TEST(DeviceValueTable, ResetDeviceRowClearsOnlyThatRowAndKeepsTheCursor)
{
    DeviceValueTable table;
    for (int row : {1, 2}) {
        for (int slot = 0; slot < DeviceValueTable::SlotCount; ++slot) {
            table.setValue(row, slot, slot * 1.5);
            table.setRawBytes(row, slot, {1, 2, 3, 4});
        }
    }
    table.setSlotCursor(17);
    table.ResetDeviceRow(1);
    EXPECT_TRUE(rowIsUnset(table, 1));
    EXPECT_EQ(table.value(2, 255), 255 * 1.5);
    EXPECT_EQ(table.rawByte(2, 0, 3), 4);
    EXPECT_EQ(table.slotCursor(), 17);
}

// Every access outside rows 1..250 x slots 0..255 must miss the table instead of its neighbours.
TEST(DeviceValueTable, AccessOutsideTheTableReadsUnsetAndWritesNothing)
{
    DeviceValueTable table;
    const struct {
        int row, slot;
    } outside[] = {{0, 0}, {251, 0}, {1, -1}, {1, 256}, {2, -1}, {250, 256}, {-5, 3}, {INT_MAX, INT_MAX}};
    for (const auto &at : outside) {
        table.setValue(at.row, at.slot, 42.0);
        table.setRawBytes(at.row, at.slot, {9, 9, 9, 9});
        table.resetRow(at.row);
        EXPECT_EQ(table.value(at.row, at.slot), -1.0);
        EXPECT_EQ(table.rawByte(at.row, at.slot, 0), -1);
    }
    for (int row = DeviceValueTable::FirstRow; row <= DeviceValueTable::LastRow; ++row)
        ASSERT_TRUE(rowIsUnset(table, row)) << "row " << row;

    table.setRawBytes(1, 0, {1, 2, 3, 4});
    EXPECT_EQ(table.rawByte(1, 0, -1), -1);
    EXPECT_EQ(table.rawByte(1, 0, 4), -1);
}

TEST(DeviceValueTable, IntegerSlotsAreExactlyTheListedOnes)
{
    const std::set<int> integerSlots{35, 52, 77, 78, 79, 80, 81, 82, 100, 101, 102, 109, 110, 111, 112};
    for (int slot = -2; slot < DeviceValueTable::SlotCount + 2; ++slot)
        EXPECT_EQ(DeviceValueTable::isIntegerSlot(slot), integerSlots.count(slot) == 1) << "slot " << slot;
}

// Whether a slot was received is kept apart from its value: -1 received is a value, a reset forgets it.
TEST(DeviceValueTable, KnowsWhichSlotsWereReceivedSinceTheRowWasReset)
{
    DeviceValueTable table;
    EXPECT_FALSE(table.hasValue(1, 0));
    table.setValue(1, 0, -1.0);
    table.setValue(1, 255, 2.5);
    table.setValue(2, 35, 7);
    EXPECT_TRUE(table.hasValue(1, 0));
    EXPECT_TRUE(table.hasValue(1, 255));
    EXPECT_FALSE(table.hasValue(1, 1));
    EXPECT_FALSE(table.hasValue(1, 35));
    // Raw bytes alone are no value.
    table.setRawBytes(1, 2, {1, 2, 3, 4});
    EXPECT_FALSE(table.hasValue(1, 2));
    for (const auto &[row, slot] : {std::pair{0, 0}, {251, 0}, {1, -1}, {1, 256}})
        EXPECT_FALSE(table.hasValue(row, slot));

    table.resetRow(1);
    EXPECT_FALSE(table.hasValue(1, 0));
    EXPECT_FALSE(table.hasValue(1, 255));
    EXPECT_TRUE(table.hasValue(2, 35));
}
