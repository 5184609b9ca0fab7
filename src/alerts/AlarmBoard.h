#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

namespace korvel
{

class DeviceList;
class Environment;
class Screen;
struct ClientState;

// Where input alarms and their acknowledgements outlive the run: the history file.
class AlarmRecord
{
public:
    struct Entry {
        qint64 id = 0;
        QString serial;
        qint64 timeMs = 0;
        bool acknowledged = false;
    };

    virtual ~AlarmRecord() = default;
    // The input alarms recorded from sinceMs on, in arrival order, with everything received written
    // first; nothing when the record cannot tell (it does not record).
    virtual std::optional<std::vector<Entry>> alarmsSince(qint64 sinceMs) = 0;
    // Keeps who acknowledged the alarm and when, written at once.
    virtual void acknowledge(qint64 id, const QString &by, qint64 atMs) = 0;
};

// The input alarms of this run that nobody has acknowledged, oldest first, and what keeps them in
// sight: the red bar above the views with the newest and how many more wait, the alarm mark on the
// device's item while any alarm of that device waits, and one call for the user's attention per
// alarm. "Onayla" on the bar acknowledges the newest with the user's name and the time; with a record,
// the acknowledgement is the record's, so that "Olaylar" shows it, and an acknowledgement made in
// "Olaylar" clears the bar as soon as the record tells of it. Alarms are matched to the record's
// entries in arrival order, as the record receives every notice the board does, and in the same order.
class AlarmBoard final : public QObject
{
    Q_OBJECT
public:
    static inline const QString bar = QStringLiteral("AlarmBar");
    static inline const QString label = QStringLiteral("LblAlarm");
    static inline const QString acknowledgeButton = QStringLiteral("BtnAlarmOnayla");
    static inline const QString eventsButton = QStringLiteral("BtnAlarmOlaylar");

    AlarmBoard(Screen &screen, Environment &environment, const ClientState &state, DeviceList &devices,
               QObject *parent = nullptr);

    void setRecord(AlarmRecord *record);
    // An input notice of this device arrived now.
    void raise(const QString &serial);
    // "Onayla" on the bar.
    void acknowledgeNewest();
    // The record wrote something: acknowledgements made elsewhere are taken over.
    void recordChanged();
    qsizetype waiting() const { return qsizetype(m_alarms.size()); }

    // The device as the list names it, "NAME (SERIAL)", or the serial alone when the list does not
    // hold it.
    static QString deviceName(const DeviceList &devices, const QString &serial);

private:
    struct Alarm {
        QString serial;
        qint64 timeMs = 0;
        QString clock; // HH:MM:SS of the arrival
        qint64 id = 0; // the record's, once known
    };

    void syncWithRecord();
    void show();
    bool anyOf(const QString &serial) const;

    Screen &m_screen;
    Environment &m_environment;
    const ClientState &m_state;
    DeviceList &m_devices;
    AlarmRecord *m_record = nullptr;
    std::vector<Alarm> m_alarms;
    bool m_syncing = false;
};

} // namespace korvel
