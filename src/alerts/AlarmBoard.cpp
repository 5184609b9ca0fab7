#include "alerts/AlarmBoard.h"

#include "core/ClientState.h"
#include "core/DeviceList.h"
#include "core/Environment.h"
#include "core/Screen.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <utility>

namespace korvel
{

AlarmBoard::AlarmBoard(Screen &screen, Environment &environment, const ClientState &state,
                       DeviceList &devices, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_devices(devices)
{
    m_screen.setVisible(bar, false);
    m_screen.onClick(acknowledgeButton, this, [this] { acknowledgeNewest(); });
}

void AlarmBoard::setRecord(AlarmRecord *record)
{
    m_record = record;
}

QString AlarmBoard::deviceName(const DeviceList &devices, const QString &serial)
{
    for (int group = 0; group < devices.groupCount(); ++group) {
        const QList<int> items = devices.itemsWithSerial(group, serial);
        if (items.isEmpty())
            continue;
        // The list's caption already ends in " No: SERIAL"; the serial is shown once, in brackets.
        QString name = devices.itemCaption(group, items.first());
        const QString suffix = QStringLiteral(" No: ") + serial;
        if (name.endsWith(suffix) && name.size() > suffix.size())
            name.chop(suffix.size());
        return QStringLiteral("%1 (%2)").arg(name, serial);
    }
    return serial;
}

void AlarmBoard::raise(const QString &serial)
{
    const QDateTime now = m_environment.now();
    m_alarms.push_back({serial, now.toMSecsSinceEpoch(), now.time().toString(QStringLiteral("HH:mm:ss"))});
    m_devices.setDeviceAlarm(serial, true);
    show();
    m_screen.alert(QStringLiteral("TFrmAna"));
}

void AlarmBoard::acknowledgeNewest()
{
    syncWithRecord();
    if (m_alarms.empty())
        return;
    const Alarm newest = m_alarms.back();
    m_alarms.pop_back();
    if (m_record && newest.id != 0)
        m_record->acknowledge(newest.id, m_state.userName, m_environment.now().toMSecsSinceEpoch());
    if (!anyOf(newest.serial))
        m_devices.setDeviceAlarm(newest.serial, false);
    show();
}

void AlarmBoard::recordChanged()
{
    const qsizetype before = waiting();
    syncWithRecord();
    if (waiting() != before)
        show();
}

void AlarmBoard::syncWithRecord()
{
    // Reading the record writes what waits, which tells of itself again: one pass is enough.
    if (!m_record || m_alarms.empty() || std::exchange(m_syncing, true))
        return;
    const auto entries = m_record->alarmsSince(m_alarms.front().timeMs);
    m_syncing = false;
    if (!entries)
        return;
    QHash<qint64, bool> acknowledged;
    for (const AlarmRecord::Entry &e : *entries)
        acknowledged.insert(e.id, e.acknowledged);
    QSet<qint64> claimed;
    for (const Alarm &a : m_alarms) {
        if (a.id != 0)
            claimed.insert(a.id);
    }
    std::size_t from = 0;
    for (Alarm &a : m_alarms) {
        if (a.id != 0)
            continue;
        for (std::size_t i = from; i < entries->size(); ++i) {
            const AlarmRecord::Entry &e = (*entries)[i];
            if (!claimed.contains(e.id) && e.serial == a.serial && e.timeMs == a.timeMs) {
                a.id = e.id;
                claimed.insert(e.id);
                from = i + 1;
                break;
            }
        }
    }
    QSet<QString> touched;
    std::erase_if(m_alarms, [&](const Alarm &a) {
        const bool done = a.id != 0 && acknowledged.value(a.id, false);
        if (done)
            touched.insert(a.serial);
        return done;
    });
    for (const QString &serial : std::as_const(touched)) {
        if (!anyOf(serial))
            m_devices.setDeviceAlarm(serial, false);
    }
}

bool AlarmBoard::anyOf(const QString &serial) const
{
    return std::any_of(m_alarms.begin(), m_alarms.end(), [&](const Alarm &a) { return a.serial == serial; });
}

void AlarmBoard::show()
{
    if (m_alarms.empty()) {
        m_screen.setVisible(bar, false);
        return;
    }
    const Alarm &newest = m_alarms.back();
    QString text = QStringLiteral("ALARM: %1 — input durumu değişti (%2)")
                       .arg(deviceName(m_devices, newest.serial), newest.clock);
    if (m_alarms.size() > 1)
        text += QStringLiteral(" +%1 alarm daha").arg(m_alarms.size() - 1);
    m_screen.setCaption(label, text);
    m_screen.setVisible(bar, true);
}

} // namespace korvel
