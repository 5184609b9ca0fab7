#pragma once

#include "link/RequestLedger.h"

#include <QObject>
#include <QSet>

namespace korvel
{

class DeviceList;

// A device that the server reported off line ("Hattayok") is drawn grey in the list, with the tooltip
// "Hatta değil", until data comes from it again. A new device list (a new login) starts with none.
class OffLineDevices final : public QObject
{
    Q_OBJECT
public:
    OffLineDevices(DeviceList &list, RequestLedger &ledger, QObject *parent = nullptr);

    // The device list is about to be built anew.
    void listCleared();

private:
    void arrived(const Arrival &arrival);
    void mark(const QString &serial, bool offLine);

    DeviceList &m_list;
    QSet<QString> m_offLine;
};

} // namespace korvel
