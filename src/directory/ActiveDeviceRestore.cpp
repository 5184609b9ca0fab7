#include "directory/ActiveDeviceRestore.h"

#include "core/ClientState.h"
#include "core/DeviceList.h"
#include "link/Connection.h"
#include "values/DeviceValueTable.h"

namespace korvel
{

ActiveDeviceRestore::ActiveDeviceRestore(DeviceList &list, DeviceSelection &selection, Connection &connection,
                                         ClientState &state, DeviceValueTable &table, QObject *parent)
    : QObject(parent), m_list(list), m_selection(selection), m_connection(connection), m_state(state),
      m_table(table)
{
    connect(&m_connection, &Connection::sent, this, &ActiveDeviceRestore::onSent);
    connect(&m_selection, &DeviceSelection::deviceClicked, this, [this] {
        // The user chose for themselves; the new device's own request comes next.
        m_pending.clear();
        m_last.reset();
    });
    connect(&m_connection, &Connection::reconnectScheduled, this,
            [this] { m_pending = m_selection.activeSerial(); });
    connect(&m_connection, &Connection::loginRefused, this, [this] { m_pending.clear(); });
}

void ActiveDeviceRestore::onSent(const QString &message)
{
    const QStringView verb = QStringView(message).left(message.indexOf(QChar(0x01)));
    // The pending kind and the cursor were set just before the request went out.
    if (DeviceSelection::isDataRequest(verb))
        m_last = DeviceSelection::DataRequest{verb.toString(), m_state.pendingKind, m_table.slotCursor()};
}

void ActiveDeviceRestore::chunkEnded()
{
    if (m_pending.isEmpty() || !m_connection.isLoginAnswered())
        return;
    for (int g = 0; g < m_list.groupCount(); ++g) {
        for (int i = 0; i < m_list.itemCount(g); ++i) {
            if (m_list.itemSerial(g, i) != m_pending)
                continue;
            const auto request = m_last.value_or(
                DeviceSelection::DataRequest{QStringLiteral("enertum"), QStringLiteral("anideger"), 0});
            m_selection.reselect(g, i, request);
            return;
        }
    }
}

} // namespace korvel
