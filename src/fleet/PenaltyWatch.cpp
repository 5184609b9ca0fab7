#include "fleet/PenaltyWatch.h"

#include "history/HistoryReader.h"

#include <QDateTime>
#include <QFileInfo>

namespace korvel::fleet
{

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
    const bool carryOn = d.firstDay != 0;
    const std::optional<CounterReading> last = d.days.last();
    d = Device{span.firstDay, {}, PenaltyClass::normal};
    if (carryOn) {
        // A new month in the same run: the readings go on from the last one.
        d.days = EnergyDays({}, last);
        return d;
    }
    if (history::HistoryReader *r = reader()) {
        d.days = EnergyDays(r->energyDays(serial, span.firstDay, span.lastDay), r->lastCounters(serial));
        const qint64 fromMs = QDate::fromJulianDay(span.firstDay).startOfDay().toMSecsSinceEpoch();
        for (const history::Event &e :
             r->events(serial, {history::EventKind::PenaltyRisk}, fromMs, span.endMs))
            d.reported = std::max(d.reported, PenaltyClass(std::clamp(e.body.toInt(), 0, 3)));
    }
    return d;
}

PenaltyWatch::Update PenaltyWatch::add(const QString &serial, const CounterReading &reading)
{
    Device &d = deviceFor(serial, reading.timeMs);
    d.days.add(reading, localDay(reading.timeMs));
    const MonthSpan span = monthOf(reading.timeMs);
    Update u{PenaltyForecast::compute(d.days.days(), span.firstDay, span.lastDay, localDay(reading.timeMs),
                                      reading.timeMs, span.endMs)};
    if (u.month.monthEnd && u.month.monthEnd->worst() > d.reported) {
        d.reported = u.month.monthEnd->worst();
        u.rose = true;
    }
    return u;
}

std::optional<PenaltyForecast> PenaltyWatch::month(const QString &serial, qint64 nowMs)
{
    const Device &d = deviceFor(serial, nowMs);
    const MonthSpan span = monthOf(nowMs);
    PenaltyForecast f = PenaltyForecast::compute(d.days.days(), span.firstDay, span.lastDay, localDay(nowMs),
                                                 nowMs, span.endMs);
    if (!f.hasCounters)
        return std::nullopt;
    return f;
}

} // namespace korvel::fleet
