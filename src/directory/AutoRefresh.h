#pragma once

#include <QObject>
#include <QString>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class RequestLedger;
class Screen;
class Ticker;
struct ClientState;

// "Otomatik yenile": while the box is ticked, what the tab on screen shows is asked for again every 5
// seconds for the device in Edit111 (the instantaneous values, the consumption values, the overcurrent
// relay's values or the capacitor states), quietly: the row is not cleared, so the displays never flash
// -1 between replies, and the status texts stay. On a tab it cannot refresh it pauses, and its tooltip
// says so. A device click, a lost link or an off-line reply clears the box.
class AutoRefresh final : public QObject
{
    Q_OBJECT
public:
    static constexpr int intervalMs = 5000;

    AutoRefresh(Screen &screen, Environment &environment, ClientState &state, DeviceValueTable &table,
                Connection &connection, RequestLedger &ledger, QObject *parent = nullptr);

    // Ends the refresh; the box is cleared.
    void stop();
    // The tab on screen changed: the tooltip says whether it is refreshed.
    void pageChanged();

private:
    void boxChanged();
    void onTick();

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    RequestLedger &m_ledger;
    Ticker *m_timer;
};

} // namespace korvel
