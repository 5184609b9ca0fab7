#include "directory/AutoRefresh.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "directory/DeviceSelection.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "values/DeviceValueTable.h"

namespace korvel
{

namespace
{
const QString box = QStringLiteral("chkyenile");
} // namespace

AutoRefresh::AutoRefresh(Screen &screen, Environment &environment, ClientState &state,
                         DeviceValueTable &table, Connection &connection, QObject *parent)
    : QObject(parent), m_screen(screen), m_state(state), m_table(table), m_connection(connection),
      m_timer(environment.makeTicker(QStringLiteral("TFrmAna.TimerYenile"), intervalMs, this))
{
    connect(m_timer, &Ticker::ticked, this, &AutoRefresh::onTick);
    connect(&m_connection, &Connection::sent, this, &AutoRefresh::onSent);
    connect(&m_connection, &Connection::linkLost, this, &AutoRefresh::stop);
    m_screen.onChange(box, this, [this] { boxChanged(); });
}

void AutoRefresh::boxChanged()
{
    m_timer->setActive(m_screen.isChecked(box));
}

void AutoRefresh::stop()
{
    m_screen.setChecked(box, false);
    m_timer->stop();
}

void AutoRefresh::deviceClicked()
{
    stop();
    m_last.reset();
}

void AutoRefresh::onSent(const QString &message)
{
    if (m_resending)
        return;
    const QStringView verb = QStringView(message).left(message.indexOf(QChar(0x01)));
    // The pending kind and the cursor were set just before the request went out.
    if (DeviceSelection::isDataRequest(verb))
        m_last = Request{verb.toString(), m_state.pendingKind, m_table.slotCursor()};
}

void AutoRefresh::onTick()
{
    if (!m_last || !m_state.loggedIn)
        return;
    // Another request is waiting for its "enerjial" (settings, a meter reading, a spectrum): resending
    // now would have that answer read as ours.
    if (m_state.pendingKind != m_last->kind)
        return;
    m_resending = true;
    m_table.setSlotCursor(m_last->slot);
    m_connection.send(MessageFramer::request(m_last->verb, {m_screen.caption(QStringLiteral("Edit111"))}));
    m_resending = false;
}

} // namespace korvel
