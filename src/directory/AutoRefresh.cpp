#include "directory/AutoRefresh.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "directory/ViewData.h"
#include "link/Connection.h"
#include "link/RequestLedger.h"

namespace korvel
{

namespace
{
const QString box = QStringLiteral("chkyenile");
const QString refreshedTip = QStringLiteral("Ekrandaki sekmenin değerleri 5 saniyede bir yeniden istenir.");
const QString pausedTip = QStringLiteral(
    "Bu sekme otomatik yenilenmez: yenileme, yenilenebilen bir sekmeye dönülene kadar duraklatıldı.");
} // namespace

AutoRefresh::AutoRefresh(Screen &screen, Environment &environment, ClientState &state,
                         DeviceValueTable &table, Connection &connection, RequestLedger &ledger,
                         QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_table(table),
      m_connection(connection), m_ledger(ledger),
      m_timer(environment.makeTicker(QStringLiteral("TFrmAna.TimerYenile"), intervalMs, this))
{
    connect(m_timer, &Ticker::ticked, this, &AutoRefresh::onTick);
    connect(&m_connection, &Connection::linkLost, this, &AutoRefresh::stop);
    m_screen.onChange(box, this, [this] { boxChanged(); });
    m_screen.whenBuilt(box, this, [this] { pageChanged(); });
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

void AutoRefresh::pageChanged()
{
    m_screen.setToolTip(box, ViewData::refillOfPage(m_screen.activePage()) ? refreshedTip : pausedTip);
}

void AutoRefresh::onTick()
{
    const auto refill = ViewData::refillOfPage(m_screen.activePage());
    if (!refill || !m_state.loggedIn)
        return;
    // Another request still waits for its "enerjial" (settings, a meter reading, a spectrum): one
    // pending kind decides how a reply is read, so asking now would have that answer read as ours.
    if (const auto pending = ViewData::kindOfPending(m_state.pendingKind);
        !refill->pendingKind.isEmpty() && pending && *pending != refill->kind &&
        m_ledger.isAwaited(*pending, m_environment.now()))
        return;
    ViewData::send(*refill, m_screen.caption(QStringLiteral("Edit111")), m_state, m_table, m_connection,
                   m_ledger);
}

} // namespace korvel
