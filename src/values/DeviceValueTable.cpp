#include "values/DeviceValueTable.h"

#include <algorithm>

namespace korvel
{

namespace
{

constexpr int IntegerSlots[] = {35, 52, 77, 78, 79, 80, 81, 82, 100, 101, 102, 109, 110, 111, 112};

constexpr std::array<bool, DeviceValueTable::SlotCount> integerSlotMap()
{
    std::array<bool, DeviceValueTable::SlotCount> map{};
    for (int slot : IntegerSlots)
        map[std::size_t(slot)] = true;
    return map;
}

constexpr auto IntegerSlotMap = integerSlotMap();

} // namespace

DeviceValueTable::DeviceValueTable()
    : m_cells(std::make_unique<Cell[]>(std::size_t(LastRow - FirstRow + 1) * SlotCount)),
      m_received(std::make_unique<std::bitset<SlotCount>[]>(std::size_t(LastRow - FirstRow + 1)))
{
    for (int row = FirstRow; row <= LastRow; ++row)
        resetRow(row);
}

bool DeviceValueTable::isIntegerSlot(int slot)
{
    return slot >= 0 && slot < SlotCount && IntegerSlotMap[std::size_t(slot)];
}

double DeviceValueTable::value(int row, int slot) const
{
    return contains(row, slot) ? m_cells[index(row, slot)].value : Unset;
}

int DeviceValueTable::rawByte(int row, int slot, int k) const
{
    if (!contains(row, slot) || k < 0 || k > 3)
        return UnsetByte;
    return m_cells[index(row, slot)].raw[std::size_t(k)];
}

void DeviceValueTable::resetRow(int row)
{
    if (row < FirstRow || row > LastRow)
        return;
    Cell *first = &m_cells[index(row, 0)];
    std::fill(first, first + SlotCount, Cell{Unset, {UnsetByte, UnsetByte, UnsetByte, UnsetByte}});
    m_received[std::size_t(row - FirstRow)].reset();
}

} // namespace korvel
