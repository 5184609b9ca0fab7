#include "trends/TrendScale.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace korvel::trends
{

namespace
{
constexpr qint64 Second = 1000, Minute = 60 * Second, Hour = 60 * Minute, Day = 24 * Hour;
constexpr qint64 Steps[] = {Second,  2 * Second, 5 * Second, 10 * Second, 15 * Second, 30 * Second,
                            Minute,  2 * Minute, 5 * Minute, 10 * Minute, 15 * Minute, 30 * Minute,
                            Hour,    2 * Hour,   3 * Hour,   6 * Hour,    12 * Hour,   Day,
                            2 * Day, 7 * Day,    14 * Day,   30 * Day};
} // namespace

std::vector<TimeTick> timeTicks(qint64 fromMs, qint64 toMs, int widthPx, const QLocale &locale,
                                int minSpacingPx)
{
    std::vector<TimeTick> ticks;
    if (toMs <= fromMs || widthPx <= 0)
        return ticks;
    const double msPerPx = double(toMs - fromMs) / widthPx;
    qint64 step = Steps[std::size(Steps) - 1];
    for (qint64 s : Steps) {
        if (double(s) / msPerPx >= minSpacingPx) {
            step = s;
            break;
        }
    }
    // Round in local time, so that hour and day ticks fall on the hours and midnights the user reads.
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(fromMs);
    const qint64 midnight = from.date().startOfDay().toMSecsSinceEpoch();
    const QString time = locale.timeFormat(QLocale::ShortFormat);
    const QString withSeconds = step < Minute && !time.contains(QLatin1String("ss"))
                                    ? QString(time).replace(QLatin1String("mm"), QLatin1String("mm:ss"))
                                    : time;
    const QString date = locale.dateFormat(QLocale::ShortFormat);
    qint64 t;
    if (step >= Day) {
        t = midnight;
        while (t < fromMs)
            t = QDateTime::fromMSecsSinceEpoch(t).addDays(1).toMSecsSinceEpoch();
    } else {
        t = midnight + (fromMs - midnight + step - 1) / step * step;
    }
    for (; t <= toMs; t = step >= Day
                              ? QDateTime::fromMSecsSinceEpoch(t).addDays(step / Day).toMSecsSinceEpoch()
                              : t + step) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(t);
        QString label;
        if (step >= Day)
            label = locale.toString(at.date(), date);
        else if (at.time() == QTime(0, 0))
            label = locale.toString(at.date(), date); // a new day is named where it starts
        else
            label = locale.toString(at.time(), withSeconds);
        ticks.push_back({t, label});
    }
    return ticks;
}

ValueAxis niceAxis(double min, double max, int tickCount)
{
    ValueAxis axis;
    if (!std::isfinite(min) || !std::isfinite(max) || min > max)
        return axis;
    if (max - min < 1e-9 * std::max(1.0, std::abs(max))) {
        // A flat line sits in the middle of an axis around it.
        const double pad = std::max(std::abs(max) * 0.01, 0.5);
        min -= pad;
        max += pad;
    }
    const double raw = (max - min) / std::max(1, tickCount);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double fraction = raw / power;
    axis.step = (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * power;
    axis.low = std::floor(min / axis.step) * axis.step;
    axis.high = std::ceil(max / axis.step) * axis.step;
    return axis;
}

QString axisKey(const QString &quantityName)
{
    const qsizetype open = quantityName.lastIndexOf(u'(');
    if (open >= 0 && quantityName.endsWith(u')'))
        return quantityName.mid(open + 1, quantityName.size() - open - 2);
    QString key = quantityName;
    while (!key.isEmpty() && key.back().isDigit())
        key.chop(1);
    return key.trimmed();
}

qint64 gapThreshold(const std::vector<history::HistoryReader::Column> &columns, qint64 columnSpanMs)
{
    std::vector<qint64> steps;
    for (std::size_t i = 1; i < columns.size(); ++i)
        steps.push_back(columns[i].firstMs - columns[i - 1].lastMs);
    qint64 interval = 0;
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
        interval = steps[steps.size() / 2];
    }
    return std::max(4 * interval, columnSpanMs);
}

std::optional<history::HistoryReader::Column>
columnAt(const std::vector<history::HistoryReader::Column> &columns, qint64 timeMs, qint64 withinMs)
{
    const auto after = std::lower_bound(columns.begin(), columns.end(), timeMs,
                                        [](const auto &c, qint64 t) { return c.lastMs < t; });
    if (after != columns.end() && after->firstMs <= timeMs)
        return *after;
    std::optional<history::HistoryReader::Column> best;
    qint64 distance = withinMs + 1;
    if (after != columns.end() && after->firstMs - timeMs < distance) {
        distance = after->firstMs - timeMs;
        best = *after;
    }
    if (after != columns.begin() && timeMs - std::prev(after)->lastMs < distance)
        best = *std::prev(after);
    return best;
}

} // namespace korvel::trends
