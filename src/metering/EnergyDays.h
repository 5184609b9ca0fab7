#pragma once

#include <QtGlobal>
#include <optional>
#include <span>
#include <vector>

namespace korvel
{

// One reading of a device's energy counters: active (kWh), inductive (kVArLh) and capacitive (kVArCh).
struct CounterReading {
    qint64 timeMs = 0;
    double active = 0;
    double inductive = 0;
    double capacitive = 0;
};

// The energy a device used on one day and how much of the day the readings cover. `day` is the local
// date's Julian day number.
struct DayEnergy {
    qint64 day = 0;
    double active = 0;
    double inductive = 0;
    double capacitive = 0;
    qint64 coveredMs = 0;
};

// The energy between two readings of the same counters. None where the counters cannot be compared:
// a counter that fell (a meter replaced or reset starts a new segment: its energy before the first
// reading of the new segment is unknown, and is never taken as negative), time that did not advance
// (a clock set back), or a value that is no number.
std::optional<DayEnergy> energyBetween(const CounterReading &before, const CounterReading &after);

// The Julian day number of the local date of an instant: the day a reading belongs to.
qint64 localDay(qint64 timeMs);
// The instant a local day (a Julian day number) begins.
qint64 dayStartMs(qint64 day);

// Energy per day of [firstDay, lastDay] from sparse readings of one set of counters, such as the dated
// totals of period reports: the energy between two readings is spread over the days between them in
// proportion to the time each day holds of it. `readings` in increasing time; two that cannot be
// compared add nothing.
std::vector<DayEnergy> spreadOverDays(std::span<const CounterReading> readings, qint64 firstDay,
                                      qint64 lastDay);

// The time the days of [firstDay, lastDay] cover.
qint64 coveredWithin(std::span<const DayEnergy> days, qint64 firstDay, qint64 lastDay);

// Of the series a month can rest on (a device's own counters first, then each kind of period report),
// the index of the one that covers most of [firstDay, lastDay]; the earliest of those that cover as much.
std::size_t bestCovered(std::span<const std::span<const DayEnergy>> series, qint64 firstDay, qint64 lastDay);

// Energy per day from readings in arrival order: the energy since the previous reading goes to the day
// of the later one. Days stay in increasing order; a reading of an earlier day than the last one kept
// starts a new segment and adds nothing.
class EnergyDays final
{
public:
    EnergyDays() = default;
    // Continues from what was summed before: the days so far and the last reading they ended with.
    EnergyDays(std::vector<DayEnergy> days, std::optional<CounterReading> last);

    // `day`: the Julian day of the reading's local date.
    void add(const CounterReading &reading, qint64 day);

    const std::vector<DayEnergy> &days() const { return m_days; }
    const std::optional<CounterReading> &last() const { return m_last; }

private:
    std::vector<DayEnergy> m_days;
    std::optional<CounterReading> m_last;
};

} // namespace korvel
