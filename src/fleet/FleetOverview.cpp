#include "fleet/FleetOverview.h"

#include "core/DeviceList.h"
#include "core/Screen.h"
#include "directory/DeviceKind.h"
#include "directory/DeviceSelection.h"
#include "history/CounterRecording.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "values/DeviceValueTable.h"

#include <QElapsedTimer>
#include <QLocale>
#include <cmath>

namespace korvel::fleet
{

namespace
{
constexpr int CurrentSlots[] = {6, 7, 8};
constexpr int PowerSlot = 27;
constexpr int CosPhiSlot = 33;
constexpr int CounterSlots[] = {36, 37, 38, 50, 51};
const QString monthLabel = QStringLiteral("LblBuAy");
constexpr qint64 MonthReadingBudgetMs = 20;

bool holds(const Landed &d, int slot)
{
    return slot >= d.firstSlot && slot < d.endSlot;
}
} // namespace

FleetOverview::FleetOverview(const Parts &parts, QObject *parent)
    : QObject(parent), m_parts(parts), m_watch(parts.historyFile)
{
}

void FleetOverview::deviceListed(const QString &group, const QString &caption, const QString &serial,
                                 int kind)
{
    const int row = m_model.addDevice(group, caption, serial, kind);
    m_monthsToRead.push_back(serial);
    m_model.setAlarms(row, alarmCounts().value(serial));
    if (m_parts.store)
        m_parts.store->setDeviceInfo({serial, caption, group, kind});
}

int FleetOverview::rowFor(const Landed &data)
{
    const int row = m_model.rowOf(data.serial);
    if (row >= 0 || data.serial.isEmpty() || !data.unasked)
        return row;
    // Value records of a device the list did not name yet: a row of its own until the list names it.
    return m_model.addDevice(QString(), data.serial, data.serial, DeviceKind::analyzer);
}

void FleetOverview::landed(const Landed &data)
{
    const int row = rowFor(data);
    if (row < 0)
        return;
    const DeviceValueTable &t = m_parts.table;
    const auto value = [&](int slot) { return holds(data, slot) ? t.value(data.row, slot) : qQNaN(); };
    double current = qQNaN();
    for (int slot : CurrentSlots) {
        const double v = value(slot);
        if (!std::isnan(v) && !(current >= v))
            current = v;
    }
    const std::optional<PenaltyForecast> month = counters(data);
    m_model.dataArrived(row, data.timeMs, value(CosPhiSlot), value(PowerSlot), current,
                        month ? &*month : nullptr);
}

std::optional<PenaltyForecast> FleetOverview::counters(const Landed &data)
{
    for (int slot : CounterSlots) {
        if (!holds(data, slot))
            return std::nullopt;
    }
    const PenaltyWatch::Update u =
        m_watch.add(data.serial, history::countersOfRow(m_parts.table, data.row, data.timeMs));
    monthChanged(data.serial, u, data.timeMs);
    return u.month;
}

void FleetOverview::reportArrived(history::CounterSource source, const QString &serial,
                                  const CounterReading &first, const CounterReading &second, qint64 nowMs)
{
    const PenaltyWatch::Update u = m_watch.addReport(serial, source, first, second, nowMs);
    if (!u.month.hasCounters)
        return;
    if (const int row = m_model.rowOf(serial); row >= 0)
        m_model.setMonth(row, u.month);
    monthChanged(serial, u, nowMs);
}

void FleetOverview::monthChanged(const QString &serial, const PenaltyWatch::Update &update, qint64 timeMs)
{
    if (serial == m_monthShownFor)
        m_parts.screen.setCaption(monthLabel, update.month.monthLine(QLocale()));
    if (update.rose)
        reportRisk(serial, timeMs, *update.month.monthEnd);
}

void FleetOverview::reportRisk(const QString &serial, qint64 timeMs, const ClassifiedRatios &f)
{
    const int row = m_model.rowOf(serial);
    const bool inductive = f.inductive >= f.capacitive;
    const QString caption = row >= 0 ? m_model.device(row).caption : QString();
    const QString name = caption.isEmpty() ? serial : caption;
    const QString text =
        QStringLiteral("Ceza riski: %1 ay sonu tahmini %2 %3 (%4)")
            .arg(name, inductive ? QStringLiteral("İndüktif") : QStringLiteral("Kapasitif"),
                 percentText(inductive ? f.ratios.inductive : f.ratios.capacitive, QLocale()),
                 penaltyText(f.worst()));
    if (m_parts.store)
        m_parts.store->addEvent(
            {timeMs, serial, history::EventKind::PenaltyRisk, text, QString::number(int(f.worst()))});
    m_parts.screen.notify(QStringLiteral("Ceza riski"), text);
}

void FleetOverview::offLine(const QString &serial)
{
    if (const int row = m_model.rowOf(serial); row >= 0)
        m_model.setOffline(row);
}

void FleetOverview::inputNotice(const QString &serial)
{
    if (const int row = m_model.rowOf(serial); row >= 0)
        m_model.setAlarms(row, m_model.device(row).alarms + 1);
}

const QHash<QString, int> &FleetOverview::alarmCounts()
{
    if (!m_alarmCounts) {
        m_alarmCounts.emplace();
        history::HistoryReader reader(m_parts.historyFile);
        if (!m_parts.historyFile.isEmpty() && reader.open())
            *m_alarmCounts = reader.unacknowledgedInputs();
    }
    return *m_alarmCounts;
}

void FleetOverview::readAlarms()
{
    m_alarmCounts.reset();
    const QHash<QString, int> &counts = alarmCounts();
    for (int row = 0; row < m_model.rowCount(); ++row)
        m_model.setAlarms(row, counts.value(m_model.device(row).serial));
}

void FleetOverview::readMonths(qint64 nowMs)
{
    // The months the history holds (or the watch kept from before a new login) for rows that no
    // counters reached yet: a share of each tick, so that thousands of devices never hold the window up.
    QElapsedTimer spent;
    spent.start();
    while (!m_monthsToRead.empty() && spent.elapsed() < MonthReadingBudgetMs) {
        const QString serial = std::move(m_monthsToRead.front());
        m_monthsToRead.pop_front();
        const int row = m_model.rowOf(serial);
        if (row < 0 || m_model.device(row).month)
            continue;
        if (const std::optional<PenaltyForecast> month = m_watch.month(serial, nowMs))
            m_model.setMonth(row, *month);
    }
}

void FleetOverview::tick(qint64 nowMs)
{
    readMonths(nowMs);
    m_model.setNow(nowMs);
    Q_EMIT ticked();
}

void FleetOverview::select(int row)
{
    if (row < 0 || row >= m_model.rowCount() || !m_parts.selection)
        return;
    const FleetDevice &d = m_model.device(row);
    DeviceList &list = m_parts.deviceList;
    const int group = list.findGroup(d.group);
    if (group < 0)
        return;
    const QList<int> items = list.itemsWithSerial(group, d.serial);
    if (!items.isEmpty())
        m_parts.selection->itemClicked(group, items.first());
}

void FleetOverview::showMonth(const QString &serial, qint64 nowMs)
{
    m_monthShownFor = serial;
    const std::optional<PenaltyForecast> month =
        serial.isEmpty() ? std::nullopt : m_watch.month(serial, nowMs);
    m_parts.screen.setCaption(monthLabel, month ? month->monthLine(QLocale()) : QString());
}

} // namespace korvel::fleet
