#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class Screen;
class Ticker;
struct ClientState;

// "Otomatik yenile": while the box is ticked, the selected device's last data request ("enertum",
// "enerharcanan", "kondasatordurum" or "cosfi") goes out again every 5 seconds with its pending kind and
// slot cursor, quietly: the row is not cleared, so the displays never flash -1 between replies, and the
// status texts stay. A device click, a lost link or an off-line reply clears the box.
class AutoRefresh final : public QObject
{
    Q_OBJECT
public:
    static constexpr int intervalMs = 5000;

    AutoRefresh(Screen &screen, Environment &environment, ClientState &state, DeviceValueTable &table,
                Connection &connection, QObject *parent = nullptr);

    // Ends the refresh and forgets the device's last request; the box is cleared.
    void stop();
    // A new device is being selected: its own request comes next.
    void deviceClicked();

private:
    struct Request {
        QString verb;
        QString kind;
        int slot = 0;
    };

    void boxChanged();
    void onSent(const QString &message);
    void onTick();

    Screen &m_screen;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    Ticker *m_timer;
    std::optional<Request> m_last;
    bool m_resending = false;
};

} // namespace korvel
