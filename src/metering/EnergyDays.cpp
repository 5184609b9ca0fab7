#include "metering/EnergyDays.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace korvel
{

qint64 localDay(qint64 timeMs)
{
    return QDateTime::fromMSecsSinceEpoch(timeMs).date().toJulianDay();
}

qint64 dayStartMs(qint64 day)
{
    return QDate::fromJulianDay(day).startOfDay().toMSecsSinceEpoch();
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

std::vector<DayEnergy> spreadOverDays(std::span<const CounterReading> readings, qint64 firstDay,
                                      qint64 lastDay)
{
    const qint64 windowStart = dayStartMs(firstDay);
    const qint64 windowEnd = dayStartMs(lastDay + 1);
    std::map<qint64, DayEnergy> days;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        const std::optional<DayEnergy> step = energyBetween(readings[i - 1], readings[i]);
        if (!step)
            continue;
        // Only the part of the stretch inside the window is walked, however long the stretch.
        const qint64 to = std::min(readings[i].timeMs, windowEnd);
        for (qint64 t = std::max(readings[i - 1].timeMs, windowStart); t < to;) {
            const qint64 day = localDay(t);
            const qint64 next = std::min(dayStartMs(day + 1), to);
            if (next <= t)
                break;
            const double share = double(next - t) / double(step->coveredMs);
            DayEnergy &d = days[day];
            d.day = day;
            d.active += step->active * share;
            d.inductive += step->inductive * share;
            d.capacitive += step->capacitive * share;
            d.coveredMs += next - t;
            t = next;
        }
    }
    std::vector<DayEnergy> result;
    result.reserve(days.size());
    for (const auto &entry : days)
        result.push_back(entry.second);
    return result;
}

qint64 coveredWithin(std::span<const DayEnergy> days, qint64 firstDay, qint64 lastDay)
{
    qint64 covered = 0;
    for (const DayEnergy &d : days) {
        if (d.day >= firstDay && d.day <= lastDay)
            covered += d.coveredMs;
    }
    return covered;
}

std::size_t bestCovered(std::span<const std::span<const DayEnergy>> series, qint64 firstDay, qint64 lastDay)
{
    std::size_t best = 0;
    qint64 bestCovered = -1;
    for (std::size_t i = 0; i < series.size(); ++i) {
        if (const qint64 covered = coveredWithin(series[i], firstDay, lastDay); covered > bestCovered) {
            best = i;
            bestCovered = covered;
        }
    }
    return best;
}

} // namespace korvel
