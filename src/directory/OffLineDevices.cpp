#include "directory/OffLineDevices.h"

#include "core/DeviceList.h"

namespace korvel
{

OffLineDevices::OffLineDevices(DeviceList &list, RequestLedger &ledger, QObject *parent)
    : QObject(parent), m_list(list)
{
    connect(&ledger, &RequestLedger::arrived, this, &OffLineDevices::arrived);
}

void OffLineDevices::listCleared()
{
    m_offLine.clear();
}

void OffLineDevices::arrived(const Arrival &arrival)
{
    if (arrival.kind == DataKind::OffLine) {
        if (!arrival.serial.isEmpty() && !m_offLine.contains(arrival.serial)) {
            m_offLine.insert(arrival.serial);
            mark(arrival.serial, true);
        }
        return;
    }
    // An input notice comes from the device too: it is on line.
    if (m_offLine.remove(arrival.serial))
        mark(arrival.serial, false);
}

void OffLineDevices::mark(const QString &serial, bool offLine)
{
    // A device may stand in several groups; each lookup is an index, not a walk through the group.
    for (int g = 0; g < m_list.groupCount(); ++g) {
        for (const int item : m_list.itemsWithSerial(g, serial))
            m_list.setItemOffLine(g, item, offLine);
    }
}

} // namespace korvel
