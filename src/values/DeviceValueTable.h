#pragma once

#include <QString>
#include <array>
#include <bitset>
#include <memory>

namespace korvel
{

// The measured values of every device the user looks at: rows 1..250 (row 1 is the selected device),
// 256 slots each, with the four bytes each slot was decoded from. One instance per process, owned by the
// tool window. A row's memory is taken at its first write and kept (6 KiB a row, 1.5 MiB at most), so
// a start costs nothing for rows no device fills and a client running for weeks never grows past it.
// Reads outside the table give the "nothing received" markers; writes outside it are dropped.
// Beside each value the table knows whether one was received since the row was last reset: -1.0 is a
// value a device can send, so the marker alone cannot tell the views that nothing came.
class DeviceValueTable final
{
public:
    static constexpr int FirstRow = 1;
    static constexpr int LastRow = 250;
    static constexpr int SlotCount = 256;
    static constexpr double Unset = -1.0;
    static constexpr int UnsetByte = -1;

    using RawBytes = std::array<qint32, 4>;

    DeviceValueTable() = default;
    DeviceValueTable(const DeviceValueTable &) = delete;
    DeviceValueTable &operator=(const DeviceValueTable &) = delete;

    static bool contains(int row, int slot)
    {
        return row >= FirstRow && row <= LastRow && slot >= 0 && slot < SlotCount;
    }
    // Slots that register dumps carry as 32-bit integers rather than floats.
    static bool isIntegerSlot(int slot);

    double value(int row, int slot) const;
    int rawByte(int row, int slot, int k) const;
    // Whether the slot was written since the row was reset (or since start).
    bool hasValue(int row, int slot) const
    {
        const Row *r = contains(row, slot) ? m_rows[std::size_t(row - FirstRow)].get() : nullptr;
        return r && r->received[std::size_t(slot)];
    }
    void setValue(int row, int slot, double value)
    {
        if (contains(row, slot)) {
            Row &r = rowFor(row);
            r.cells[std::size_t(slot)].value = value;
            r.received.set(std::size_t(slot));
        }
    }
    void setRawBytes(int row, int slot, const RawBytes &bytes)
    {
        if (contains(row, slot))
            rowFor(row).cells[std::size_t(slot)].raw = bytes;
    }

    int slotCursor() const { return m_slotCursor; }
    void setSlotCursor(int slot) { m_slotCursor = slot; }

    // The serial replies of the tool window collect here; DecodeRegisterDump empties it.
    QString &receiveText() { return m_receiveText; }
    const QString &receiveText() const { return m_receiveText; }

    // ResetDeviceRow: every value of the row back to -1.0 and every raw byte to -1, and no slot of it
    // counts as received. The cursor stays.
    void resetRow(int row);
    void ResetDeviceRow(int row) { resetRow(row); }

private:
    struct Cell {
        double value;
        RawBytes raw;
    };

    static constexpr Cell UnsetCell{Unset, {UnsetByte, UnsetByte, UnsetByte, UnsetByte}};
    struct Row {
        std::array<Cell, SlotCount> cells;
        std::bitset<SlotCount> received;
    };
    Row &rowFor(int row)
    {
        std::unique_ptr<Row> &r = m_rows[std::size_t(row - FirstRow)];
        if (!r)
            r = makeRow();
        return *r;
    }
    static std::unique_ptr<Row> makeRow();

    std::array<std::unique_ptr<Row>, LastRow - FirstRow + 1> m_rows;
    int m_slotCursor = 0;
    QString m_receiveText;
};

} // namespace korvel
