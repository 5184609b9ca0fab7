#include "fleet/PenaltyWatch.h"

#include "history/HistoryReader.h"

#include <QDateTime>
#include <QFileInfo>
#include <array>

namespace korvel::fleet
{

namespace
{
constexpr std::ptrdiff_t MaxReportReadings = 400;
} // namespace

PenaltyWatch::PenaltyWatch(QString historyFile) : m_file(std::move(historyFile)) {}

PenaltyWatch::~PenaltyWatch() = default;

PenaltyWatch::MonthSpan PenaltyWatch::monthOf(qint64 timeMs)
{
    const QDate date = QDateTime::fromMSecsSinceEpoch(timeMs).date();
    const QDate first(date.year(), date.month(), 1);
    const QDate next = first.addMonths(1);
    return {first.toJulianDay(), next.toJulianDay() - 1, next.startOfDay().toMSecsSinceEpoch()};
}

history::HistoryReader *PenaltyWatch::reader()
{
    // The file appears with the first write; until then there is nothing to read.
    if (!m_reader && !m_file.isEmpty() && QFileInfo(m_file).isFile()) {
        auto reader = std::make_unique<history::HistoryReader>(m_file);
        if (reader->open())
            m_reader = std::move(reader);
    }
    return m_reader.get();
}

PenaltyWatch::Device &PenaltyWatch::deviceFor(const QString &serial, qint64 timeMs)
{
    const MonthSpan span = monthOf(timeMs);
    Device &d = m_devices[serial];
    if (d.firstDay == span.firstDay)
        return d;
    Device next{span.firstDay, {}, {}, PenaltyClass::normal};
    if (d.firstDay != 0) {
        // A new month in the same run: the readings go on from the last one.
        next.days = EnergyDays({}, d.days.last());
        next.reports = std::move(d.reports);
    } else if (history::HistoryReader *r = reader()) {
        next.days = EnergyDays(r->energyDays(serial, span.firstDay, span.lastDay), r->lastCounters(serial));
        const qint64 fromMs = dayStartMs(span.firstDay);
        for (const history::CounterSource source : history::reportSources) {
            std::vector<CounterReading> readings = r->counterReadings(serial, source, fromMs, span.endMs);
            if (!readings.empty())
                next.reports.push_back({source, std::move(readings), {}});
        }
        for (const history::Event &e :
             r->events(serial, {history::EventKind::PenaltyRisk}, fromMs, span.endMs))
            next.reported = std::max(next.reported, PenaltyClass(std::clamp(e.body.toInt(), 0, 3)));
    }
    for (Reported &report : next.reports)
        report.days = spreadOverDays(report.readings, span.firstDay, span.lastDay);
    d = std::move(next);
    return d;
}

PenaltyWatch::Reported &PenaltyWatch::reportedFor(Device &device, history::CounterSource source)
{
    for (Reported &r : device.reports) {
        if (r.source == source)
            return r;
    }
    return device.reports.emplace_back(Reported{source, {}, {}});
}

std::span<const DayEnergy> PenaltyWatch::monthDays(const Device &device, const MonthSpan &span)
{
    std::array<std::span<const DayEnergy>, 1 + std::size(history::reportSources)> series{device.days.days()};
    std::size_t count = 1;
    for (const Reported &r : device.reports) {
        if (count < series.size())
            series[count++] = r.days;
    }
    return series[bestCovered(std::span(series).first(count), span.firstDay, span.lastDay)];
}

PenaltyWatch::Update PenaltyWatch::evaluate(Device &device, qint64 nowMs)
{
    const MonthSpan span = monthOf(nowMs);
    Update u{PenaltyForecast::compute(monthDays(device, span), span.firstDay, span.lastDay, localDay(nowMs),
                                      nowMs, span.endMs)};
    if (u.month.monthEnd && u.month.monthEnd->worst() > device.reported) {
        device.reported = u.month.monthEnd->worst();
        u.rose = true;
    }
    return u;
}

PenaltyWatch::Update PenaltyWatch::add(const QString &serial, const CounterReading &reading)
{
    Device &d = deviceFor(serial, reading.timeMs);
    d.days.add(reading, localDay(reading.timeMs));
    return evaluate(d, reading.timeMs);
}

PenaltyWatch::Update PenaltyWatch::addReport(const QString &serial, history::CounterSource source,
                                             const CounterReading &first, const CounterReading &second,
                                             qint64 nowMs)
{
    Device &d = deviceFor(serial, nowMs);
    Reported &r = reportedFor(d, source);
    // In time order, one reading per instant: the same report asked for twice adds nothing.
    for (const CounterReading &reading : {first, second}) {
        const auto at = std::lower_bound(r.readings.begin(), r.readings.end(), reading.timeMs,
                                         [](const CounterReading &c, qint64 t) { return c.timeMs < t; });
        if (at != r.readings.end() && at->timeMs == reading.timeMs)
            *at = reading;
        else
            r.readings.insert(at, reading);
    }
    // Reports come one by one when asked for; a server that sends them unasked cannot make this grow.
    if (r.readings.size() > MaxReportReadings)
        r.readings.erase(r.readings.begin(), r.readings.end() - MaxReportReadings);
    const MonthSpan span = monthOf(nowMs);
    r.days = spreadOverDays(r.readings, span.firstDay, span.lastDay);
    return evaluate(d, nowMs);
}

std::optional<PenaltyForecast> PenaltyWatch::month(const QString &serial, qint64 nowMs)
{
    const Device &d = deviceFor(serial, nowMs);
    const MonthSpan span = monthOf(nowMs);
    PenaltyForecast f = PenaltyForecast::compute(monthDays(d, span), span.firstDay, span.lastDay,
                                                 localDay(nowMs), nowMs, span.endMs);
    if (!f.hasCounters)
        return std::nullopt;
    return f;
}

} // namespace korvel::fleet
