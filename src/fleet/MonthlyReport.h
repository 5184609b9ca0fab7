#pragma once

#include "history/HistoryDatabase.h"
#include "metering/EnergyDays.h"
#include "metering/PenaltyForecast.h"

#include <QDate>
#include <QLocale>
#include <QStringList>
#include <vector>

namespace korvel::history
{
class HistoryReader;
}

namespace korvel::fleet
{

// The monthly report of the reactive-energy ratios: a PDF with a first page that lists every device
// with its classes, the worst first, then one page per device with the month's energy, the ratios and
// classes against the limits, the energy and ratios of each day with a chart of them, and the input
// alarms of the month with whether they were acknowledged.
class MonthlyReport final
{
public:
    struct Request {
        QString file;
        QDate month;         // any day of the month
        QStringList devices; // empty: every device of the history
    };

    // One device's month as the report shows it.
    struct Device {
        history::DeviceInfo info;
        std::vector<DayEnergy> days;
        // Where the days come from: the analyzer's own counters or a period report's totals.
        history::CounterSource source = history::CounterSource::Analyzer;
        PenaltyForecast month;
        std::vector<history::Event> alarms;
    };

    // The devices' months from the history, as of `nowMs` for the month in progress; in the order of
    // the first page, the worst class first and devices without counters last.
    static std::vector<Device> collect(history::HistoryReader &reader, const Request &request, qint64 nowMs);

    // Writes the report; 0 when done, 2 when the history cannot be read, 1 when the file cannot be
    // written, `error` says why.
    static int write(const Request &request, const QString &historyFile, const QLocale &locale,
                     QString &error);
};

} // namespace korvel::fleet
