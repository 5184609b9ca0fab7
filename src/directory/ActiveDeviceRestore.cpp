#include "directory/ActiveDeviceRestore.h"

#include "core/DeviceList.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "directory/DeviceSelection.h"
#include "directory/ViewData.h"
#include "link/Connection.h"

#include <QScopedValueRollback>

namespace korvel
{

ActiveDeviceRestore::ActiveDeviceRestore(DeviceList &list, DeviceSelection &selection, Screen &screen,
                                         Environment &environment, Connection &connection, ClientState &state,
                                         DeviceValueTable &table, RequestLedger &ledger, QObject *parent)
    : QObject(parent), m_list(list), m_selection(selection), m_screen(screen), m_connection(connection),
      m_state(state), m_table(table), m_ledger(ledger),
      m_answerWait(
          environment.makeTicker(QStringLiteral("TFrmAna.TimerGeriYukle"), RequestLedger::answerMs, this))
{
    connect(&ledger, &RequestLedger::requested, this, &ActiveDeviceRestore::requested);
    connect(&ledger, &RequestLedger::arrived, this, &ActiveDeviceRestore::arrived);
    connect(m_answerWait, &Ticker::ticked, this, &ActiveDeviceRestore::sendNext);
    connect(&m_selection, &DeviceSelection::deviceClicked, this, [this] {
        // The user chose for themselves; the new device's own requests come next.
        stop();
        m_pending.clear();
        m_filled.clear();
    });
    connect(&m_connection, &Connection::reconnectScheduled, this, [this] {
        stop();
        m_pending = m_selection.activeSerial();
    });
    connect(&m_connection, &Connection::linkLost, this, &ActiveDeviceRestore::stop);
    for (auto ended : {&Connection::loginRefused, &Connection::loggedOut}) {
        connect(&m_connection, ended, this, [this] {
            stop();
            m_pending.clear();
            m_filled.clear();
        });
    }
}

void ActiveDeviceRestore::requested(const RequestLedger::Request &request)
{
    if (m_restoring || request.serial != m_selection.activeSerial() || !ViewData::refillOf(request.kind))
        return;
    if (!m_filled.contains(request.kind))
        m_filled << request.kind;
}

void ActiveDeviceRestore::arrived(const Arrival &arrival)
{
    if (m_awaited && arrival.kind == *m_awaited && arrival.serial == m_selection.activeSerial())
        sendNext();
}

void ActiveDeviceRestore::chunkEnded()
{
    if (m_pending.isEmpty() || !m_connection.isLoginAnswered())
        return;
    for (int g = 0; g < m_list.groupCount(); ++g) {
        const QList<int> items = m_list.itemsWithSerial(g, m_pending);
        if (items.isEmpty())
            continue;
        m_pending.clear();
        m_selection.restore(g, items.first());
        queueRefills();
        sendNext();
        return;
    }
}

void ActiveDeviceRestore::queueRefills()
{
    m_queue = m_filled;
    // A device never asked for anything since its click gets the click's own request.
    if (m_queue.isEmpty())
        m_queue << DataKind::Instantaneous;
    // What the user looks at comes first.
    const QList<DataKind> shown = ViewData::kindsShownOn(m_screen.activePage());
    std::stable_partition(m_queue.begin(), m_queue.end(), [&shown](DataKind k) { return shown.contains(k); });
}

void ActiveDeviceRestore::sendNext()
{
    m_answerWait->stop();
    m_awaited.reset();
    if (m_queue.isEmpty() || !m_state.loggedIn)
        return;
    const DataKind kind = m_queue.takeFirst();
    const auto refill = ViewData::refillOf(kind);
    if (!refill)
        return sendNext();
    m_awaited = kind;
    m_answerWait->start();
    const QScopedValueRollback restoring(m_restoring, true);
    ViewData::send(*refill, m_selection.activeSerial(), m_state, m_table, m_connection, m_ledger);
}

void ActiveDeviceRestore::stop()
{
    m_answerWait->stop();
    m_awaited.reset();
    m_queue.clear();
}

} // namespace korvel
