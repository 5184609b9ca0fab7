#pragma once

#include "history/HistoryDatabase.h"

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

namespace korvel
{

class ClientWindows;
class Environment;
struct ClientState;

namespace history
{
class HistoryStore;
}

// "Olaylar": the events of the history file, newest first, filtered by device and kind. An input alarm
// is acknowledged with "Onayla"; who and when go into the file with the next write, which is at once.
// The list is read again whenever the store wrote events, while the window is open.
class EventsWindow final : public QWidget
{
    Q_OBJECT
public:
    // The newest this many events are listed; the export writes every event of the filter.
    static constexpr int maxRows = 5000;

    EventsWindow(history::HistoryStore &store, std::function<QString()> user, Environment &environment,
                 QWidget *parent = nullptr);

    // Adds "Olaylar" and "Geçmiş ayarları" to the "Cihaz" menu; the windows are built when first opened.
    // Without a store (nothing recorded) the entries are absent.
    static void install(ClientWindows &windows, history::HistoryStore *store, const ClientState &state,
                        Environment &environment);

    void refresh();
    // Filters: a serial number (empty: every device) and a kind (nullopt: every kind).
    void setFilter(const QString &device, std::optional<history::EventKind> kind);
    // Lists the input alarms of every device that nobody has acknowledged.
    void showUnacknowledged();
    // Acknowledges the input alarm of the given row of the list; false for any other row.
    bool acknowledgeRow(int row);
    // Writes the events of the filter as CSV; returns the error text, empty on success.
    QString saveCsv(const QString &path);

    const std::vector<history::Event> &listed() const { return m_events; }
    QTableWidget *table() const { return m_table; }

private:
    std::vector<history::Event> read(int limit);
    void fill();
    void saveClicked();

    history::HistoryStore &m_store;
    std::function<QString()> m_user;
    Environment &m_environment;
    QComboBox *m_device;
    QComboBox *m_kind;
    QTableWidget *m_table;
    QLabel *m_status;
    std::vector<history::Event> m_events;
};

} // namespace korvel
