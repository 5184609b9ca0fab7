#pragma once

#include "directory/DeviceSelection.h"

#include <QObject>
#include <optional>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceValueTable;
struct ClientState;

// A reconnect brings a new device list and leaves nothing selected. Once the item of the device that
// was active is back, it is selected again as a click on it would, and the last data request made for
// it goes out again with its pending kind and slot cursor (the click's own "enertum" when there was no
// other), so the views carry on where they were.
class ActiveDeviceRestore final : public QObject
{
    Q_OBJECT
public:
    ActiveDeviceRestore(DeviceList &list, DeviceSelection &selection, Connection &connection,
                        ClientState &state, DeviceValueTable &table, QObject *parent = nullptr);

    // A received chunk was handled: the item may have come back.
    void chunkEnded();

private:
    void onSent(const QString &message);

    DeviceList &m_list;
    DeviceSelection &m_selection;
    Connection &m_connection;
    ClientState &m_state;
    DeviceValueTable &m_table;
    std::optional<DeviceSelection::DataRequest> m_last;
    // The serial number of the device to select again once the login is answered.
    QString m_pending;
};

} // namespace korvel
