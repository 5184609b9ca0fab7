#pragma once

#include "history/HistoryDatabase.h"
#include "metering/EnergyDays.h"
#include "metering/PenaltyForecast.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>

namespace korvel::history
{
class HistoryReader;
}

namespace korvel::fleet
{

// The month of each device whose counters arrive: its energy per day, begun from what the history
// file summed before and carried on with every reading, and the forecast of the month's end. A period
// report's dated totals are kept apart from the live counters (they may be older than the last live
// reading, or another meter's); the month rests on whichever covers more of it. Knows the
// highest forecast class it has reported this month (also in earlier runs, from the history's events),
// so that a forecast that rises is reported once.
class PenaltyWatch final
{
public:
    // `historyFile` empty: nothing is read, the months start with the first reading.
    explicit PenaltyWatch(QString historyFile);
    ~PenaltyWatch();

    struct Update {
        PenaltyForecast month;
        // The forecast's class rose above what was reported this month.
        bool rose = false;
    };
    Update add(const QString &serial, const CounterReading &reading);
    // A period report's totals at its two dates, arrived at `nowMs`.
    Update addReport(const QString &serial, history::CounterSource source, const CounterReading &first,
                     const CounterReading &second, qint64 nowMs);
    // The month at `nowMs` of a device, from the history when nothing arrived yet; none without counters.
    std::optional<PenaltyForecast> month(const QString &serial, qint64 nowMs);

    // The month of an instant: its first and last day (Julian day numbers) and the instant it ends.
    struct MonthSpan {
        qint64 firstDay;
        qint64 lastDay;
        qint64 endMs;
    };
    static MonthSpan monthOf(qint64 timeMs);

private:
    // The readings of one kind of period report, and the energy per day of the month spread from them.
    struct Reported {
        history::CounterSource source;
        std::vector<CounterReading> readings;
        std::vector<DayEnergy> days;
    };
    struct Device {
        qint64 firstDay = 0;
        EnergyDays days;
        std::vector<Reported> reports;
        PenaltyClass reported = PenaltyClass::normal;
    };
    Device &deviceFor(const QString &serial, qint64 timeMs);
    static Reported &reportedFor(Device &device, history::CounterSource source);
    static std::span<const DayEnergy> monthDays(const Device &device, const MonthSpan &span);
    Update evaluate(Device &device, qint64 nowMs);
    history::HistoryReader *reader();

    QString m_file;
    std::unique_ptr<history::HistoryReader> m_reader;
    QHash<QString, Device> m_devices;
};

} // namespace korvel::fleet
