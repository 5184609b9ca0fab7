#pragma once

#include "metering/EnergyDays.h"

#include <QString>
#include <optional>

namespace korvel
{
class DeviceValueTable;
struct ClientParts;
} // namespace korvel

namespace korvel::history
{

class HistoryStore;

// The energy counters of a value table row: active as the sum of the three phases (slots 36 to 38),
// inductive and capacitive as the device's totals (slots 50 and 51).
CounterReading countersOfRow(const DeviceValueTable &table, int row, qint64 timeMs);
// Value records carry the counters only when the set reaches slot 51.
constexpr int CounterEntries = 52;

// Keeps the energy counters that arrive: value records and consumption replies (the analyzer's own
// counters, which form the per-day summary) and both period reports (their two dated totals).
void recordCounters(ClientParts &parts, HistoryStore &store);

} // namespace korvel::history
