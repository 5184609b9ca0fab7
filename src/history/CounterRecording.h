#pragma once

#include "history/HistoryDatabase.h"
#include "link/ReplyText.h"
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

// The period reports: their reply's tag and the source their totals are kept under.
struct PeriodReport {
    const char16_t *tag;
    CounterSource source;
};
inline constexpr PeriodReport periodReports[] = {{u"reaktifenerji", CounterSource::AnalyzerReport},
                                                 {u"tedassycal", CounterSource::MeterReport}};

// A period report's counters at its two dates: at the first date's start and at the second date's end,
// no later than the report's arrival (`nowMs`). None when a total, a date or the serial is missing.
struct ReportCounters {
    QString serial;
    CounterReading first;
    CounterReading second;
};
std::optional<ReportCounters> reportCounters(ReplyText text, QChar decimal, qint64 nowMs);

// Keeps the energy counters that arrive: value records and consumption replies (the analyzer's own
// counters, which form the per-day summary) and both period reports (their two dated totals).
void recordCounters(ClientParts &parts, HistoryStore &store);

} // namespace korvel::history
