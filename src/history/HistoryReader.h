#pragma once

#include "history/HistoryDatabase.h"
#include "metering/EnergyDays.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace korvel::history
{

// Read-only queries of a history file, for the export and the windows. Opens its own connection, so
// it reads while a client records into the same file.
class HistoryReader final
{
public:
    explicit HistoryReader(const QString &file);
    ~HistoryReader();

    bool open();
    QString errorText() const;

    // Every sample of a device whose time lies in [fromMs, toMs], in arrival order; values are NaN
    // where the reply carried none.
    bool forEachSample(const QString &device, qint64 fromMs, qint64 toMs,
                       const std::function<void(qint64 timeMs, const std::vector<double> &values)> &visit);

    struct Point {
        qint64 timeMs;
        double value;
    };
    // One quantity of a device over a range, in time order; replies without it are left out.
    std::vector<Point> series(const QString &device, int quantity, qint64 fromMs, qint64 toMs);

    // The range cut into `columns` equal spans (a chart's pixel columns), each with the least and the
    // greatest value in it, so that no spike is lost however many points there are. A span with no
    // value is absent: the chart draws a gap there.
    struct Column {
        int index;
        qint64 firstMs;
        qint64 lastMs;
        double min;
        double max;
    };
    // Columns of two minutes or more are read from the per-minute summary (a minute at either end of the
    // range may then lend its extremes to the first or last column), the newest minute not yet
    // summarised from the samples.
    std::vector<Column> decimated(const QString &device, int quantity, qint64 fromMs, qint64 toMs,
                                  int columns);
    // The time of the device's first sample at or after fromMs; nothing when it has none since.
    std::optional<qint64> firstSampleSince(const QString &device, qint64 fromMs);
    // The serial numbers that have samples (the devices recorded), in the order they were first seen.
    QStringList devices();

    // Events in time order, of one device (all when empty) and of the kinds given (all when empty).
    std::vector<Event> events(const QString &device, const std::vector<EventKind> &kinds, qint64 fromMs,
                              qint64 toMs);

    // The analyzer's energy per local day of a device, days firstDay to lastDay (Julian day numbers), in
    // day order; empty for a file from before energy was kept.
    std::vector<DayEnergy> energyDays(const QString &device, qint64 firstDay, qint64 lastDay);
    // The readings of one source of a device in time order: those of [fromMs, toMs) and the nearest one
    // on either side, which bound the stretches reaching into it.
    std::vector<CounterReading> counterReadings(const QString &device, CounterSource source, qint64 fromMs,
                                                qint64 toMs);
    // The energy per day that a month of a device rests on: the analyzer's own counters, or a period
    // report's totals spread over their days where those cover more of it.
    struct MonthEnergy {
        CounterSource source = CounterSource::Analyzer;
        std::vector<DayEnergy> days;
    };
    MonthEnergy monthDays(const QString &device, qint64 firstDay, qint64 lastDay);
    // The newest analyzer reading of a device that the days were summed to.
    std::optional<CounterReading> lastCounters(const QString &device);
    // The serial numbers whose counters were recorded, in the order they were first seen.
    QStringList counterDevices();
    // Input alarms nobody acknowledged yet, per serial number.
    QHash<QString, int> unacknowledgedInputs();
    // What the device lists said of the devices, by serial number.
    QHash<QString, DeviceInfo> deviceInfo();

private:
    std::unique_ptr<HistoryDatabase> m_db;
    QString m_file;
    QString m_error;
    bool m_hasMinutes = false;
};

} // namespace korvel::history
