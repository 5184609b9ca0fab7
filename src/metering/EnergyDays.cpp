#include "metering/EnergyDays.h"

#include <QDateTime>

#include <cmath>
#include <utility>

namespace korvel
{

qint64 localDay(qint64 timeMs)
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).date().toJulianDay();
}

std::optional<DayEnergy> energyBetween(const CounterReading &before, const CounterReading &after)
{
    const double values[] = {before.active, before.inductive, before.capacitive,
                             after.active,  after.inductive,  after.capacitive};
    for (double v : values) {
        if (!std::isfinite(v))
            return std::nullopt;
    }
    if (after.timeMs <= before.timeMs || after.active < before.active || after.inductive < before.inductive ||
        after.capacitive < before.capacitive)
        return std::nullopt;
    return DayEnergy{0, after.active - before.active, after.inductive - before.inductive,
                     after.capacitive - before.capacitive, after.timeMs - before.timeMs};
}

EnergyDays::EnergyDays(std::vector<DayEnergy> days, std::optional<CounterReading> last)
    : m_days(std::move(days)), m_last(last)
{
}

void EnergyDays::add(const CounterReading &reading, qint64 day)
{
    const std::optional<CounterReading> before = std::exchange(m_last, reading);
    if (!before)
        return;
    if (!m_days.empty() && day < m_days.back().day)
        return;
    const std::optional<DayEnergy> step = energyBetween(*before, reading);
    if (!step)
        return;
    if (m_days.empty() || m_days.back().day != day)
        m_days.push_back({day, 0, 0, 0, 0});
    DayEnergy &d = m_days.back();
    d.active += step->active;
    d.inductive += step->inductive;
    d.capacitive += step->capacitive;
    d.coveredMs += step->coveredMs;
}

} // namespace korvel
