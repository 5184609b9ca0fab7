#include "history/CounterRecording.h"

#include "core/ClientParts.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "history/HistoryStore.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyText.h"
#include "link/RequestLedger.h"
#include "metering/ReactiveRatios.h"
#include "values/DeviceValueTable.h"

#include <QLocale>

namespace korvel::history
{

namespace
{
constexpr int FirstCounterSlot = 36;

// A report's date as the server wrote it back: the user's short date, or the day.month.year it
// uses for meter readings.
QDate reportDate(const QString &text)
{
    QDate d = QLocale().toDate(text.trimmed(), QLocale::ShortFormat);
    if (!d.isValid())
        d = QDate::fromString(text.trimmed(), QStringLiteral("dd.MM.yyyy"));
    return d;
}
} // namespace

std::optional<ReportCounters> reportCounters(ReplyText text, QChar decimal, qint64 nowMs)
{
    text.drop(text.peekField().size() + 1);
    const QString serial = text.takeField();
    const QDate first = reportDate(text.takeField());
    const QDate second = reportDate(text.takeField());
    double totals[6];
    for (double &t : totals) {
        const auto v = parseExtended(text.takeField().replace(u',', decimal), decimal);
        if (!v)
            return std::nullopt;
        t = double(*v);
    }
    if (serial.isEmpty() || !first.isValid() || !second.isValid())
        return std::nullopt;
    const qint64 end = std::min(second.addDays(1).startOfDay().toMSecsSinceEpoch(), nowMs);
    return ReportCounters{serial,
                          {first.startOfDay().toMSecsSinceEpoch(), totals[0], totals[2], totals[4]},
                          {end, totals[1], totals[3], totals[5]}};
}

CounterReading countersOfRow(const DeviceValueTable &table, int row, qint64 timeMs)
{
    return {timeMs, table.value(row, 36) + table.value(row, 37) + table.value(row, 38), table.value(row, 50),
            table.value(row, 51)};
}

void recordCounters(ClientParts &parts, HistoryStore &store)
{
    Environment &environment = parts.environment;
    ClientState &state = parts.state;
    DeviceValueTable &table = parts.table;
    // Consumption replies and value records that reached slot 51 carry the analyzer's counters.
    QObject::connect(
        &parts.ledger, &RequestLedger::arrived, &store, [&store, &table](const Arrival &arrival) {
            if (arrival.kind != DataKind::Consumption && arrival.kind != DataKind::ValueRecord)
                return;
            if (arrival.row == 0 || arrival.serial.isEmpty() || arrival.ambiguous ||
                arrival.firstSlot > FirstCounterSlot || arrival.endSlot < CounterEntries)
                return;
            const CounterReading r = countersOfRow(table, arrival.row, arrival.time.toMSecsSinceEpoch());
            store.addCounters(
                {r.timeMs, arrival.serial, CounterSource::Analyzer, r.active, r.inductive, r.capacitive});
        });
    // A period report names its device and dates itself.
    for (const PeriodReport &r : periodReports) {
        parts.dispatcher.watch(r.tag, [&store, &state, &environment,
                                       source = r.source](const ReplyText &text) {
            const auto report =
                reportCounters(text, state.decimalSeparator, environment.now().toMSecsSinceEpoch());
            if (!report)
                return;
            for (const CounterReading &c : {report->first, report->second})
                store.addCounters({c.timeMs, report->serial, source, c.active, c.inductive, c.capacitive});
        });
    }
}

} // namespace korvel::history
