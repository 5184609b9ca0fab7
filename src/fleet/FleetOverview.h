#pragma once

#include "fleet/FleetModel.h"
#include "fleet/PenaltyWatch.h"

#include <QObject>
#include <deque>
#include <functional>

namespace korvel
{
class DeviceList;
class DeviceSelection;
class DeviceValueTable;
class Screen;
} // namespace korvel

namespace korvel::history
{
class HistoryStore;
}

namespace korvel::fleet
{

// Data of one device that landed in the value table: which row, which slots, when.
struct Landed {
    QString serial;
    bool unasked = false; // a value record: a device the list did not name yet gets a row
    int row = 0;
    int firstSlot = 0;
    int endSlot = 0;
    qint64 timeMs = 0;
};

// Keeps the overview of every device filled from what arrives and from the history, sends nothing of
// its own: the device list gives its rows, value records and data replies their values and counters,
// "Hattayok" and input notices their state, period reports their months' counters. A forecast that rises to a
// higher class becomes an event "Ceza riski" and a tray message. The month of the active device is shown on
// the consumption tab.
class FleetOverview final : public QObject
{
    Q_OBJECT
public:
    struct Parts {
        Screen &screen;
        DeviceValueTable &table;
        DeviceList &deviceList;
        DeviceSelection *selection;
        history::HistoryStore *store; // null: nothing recorded
        QString historyFile;
    };
    FleetOverview(const Parts &parts, QObject *parent = nullptr);

    FleetModel &model() { return m_model; }
    // Every tick of the overview's timer, after the link states were judged: the time to sort and
    // filter again what changed meanwhile.
Q_SIGNALS:
    void ticked();

public:
    PenaltyWatch &watch() { return m_watch; }

    void deviceListed(const QString &group, const QString &caption, const QString &serial, int kind);
    void landed(const Landed &data);
    // A period report's totals at its two dates; they carry the month of a device without live counters.
    void reportArrived(history::CounterSource source, const QString &serial, const CounterReading &first,
                       const CounterReading &second, qint64 nowMs);
    void offLine(const QString &serial);
    void inputNotice(const QString &serial);
    // The unacknowledged alarms as the history counts them.
    void readAlarms();
    void tick(qint64 nowMs);
    // Selects the device of a row as a click on its item does.
    void select(int row);
    // The consumption tab's line for the active device.
    void showMonth(const QString &serial, qint64 nowMs);

private:
    int rowFor(const Landed &data);
    std::optional<PenaltyForecast> counters(const Landed &data);
    void monthChanged(const QString &serial, const PenaltyWatch::Update &update, qint64 timeMs);
    void reportRisk(const QString &serial, qint64 timeMs, const ClassifiedRatios &forecast);
    const QHash<QString, int> &alarmCounts();
    void readMonths(qint64 nowMs);

    Parts m_parts;
    // Listed devices whose month the history may hold, read a share at each tick.
    std::deque<QString> m_monthsToRead;
    FleetModel m_model;
    PenaltyWatch m_watch;
    QString m_monthShownFor;
    // Unacknowledged input alarms per serial number as the history counts them; read at the first
    // device and after every write of events.
    std::optional<QHash<QString, int>> m_alarmCounts;
};

} // namespace korvel::fleet
