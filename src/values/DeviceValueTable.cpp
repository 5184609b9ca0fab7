#include "values/DeviceValueTable.h"

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

std::unique_ptr<DeviceValueTable::Row> DeviceValueTable::makeRow()
{
    auto row = std::make_unique<Row>();
    row->cells.fill(UnsetCell);
    return row;
}

bool DeviceValueTable::isIntegerSlot(int slot)
{
    return slot >= 0 && slot < SlotCount && IntegerSlotMap[std::size_t(slot)];
}

double DeviceValueTable::value(int row, int slot) const
{
    const Row *r = contains(row, slot) ? m_rows[std::size_t(row - FirstRow)].get() : nullptr;
    return r ? r->cells[std::size_t(slot)].value : Unset;
}

int DeviceValueTable::rawByte(int row, int slot, int k) const
{
    const Row *r = contains(row, slot) ? m_rows[std::size_t(row - FirstRow)].get() : nullptr;
    if (!r || k < 0 || k > 3)
        return UnsetByte;
    return r->cells[std::size_t(slot)].raw[std::size_t(k)];
}

void DeviceValueTable::resetRow(int row)
{
    if (row < FirstRow || row > LastRow)
        return;
    // A row never written stays unallocated: it reads as reset already.
    if (Row *r = m_rows[std::size_t(row - FirstRow)].get()) {
        r->cells.fill(UnsetCell);
        r->received.reset();
    }
}

} // namespace korvel
