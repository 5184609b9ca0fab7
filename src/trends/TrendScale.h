#pragma once

#include "history/HistoryReader.h"

#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

namespace korvel::trends
{

// A labelled mark on the time axis, at a round local time.
struct TimeTick {
    qint64 timeMs;
    QString label;
};
// Ticks at a round step (seconds to weeks) chosen so that labels stand at least `minSpacingPx` apart,
// written in the locale's short time or date format.
std::vector<TimeTick> timeTicks(qint64 fromMs, qint64 toMs, int widthPx, const QLocale &locale,
                                int minSpacingPx = 110);

// A value axis with round limits and a step of 1, 2 or 5 times a power of ten.
struct ValueAxis {
    QString unit; // the text written on the axis
    double low = 0;
    double high = 1;
    double step = 1;
};
ValueAxis niceAxis(double min, double max, int tickCount = 5);

// The axis a quantity is drawn on: its unit in brackets ("V1 (V)" gives "V"), else its name without the
// phase number ("cos φ2" gives "cos φ"), so that values of one kind share an axis.
QString axisKey(const QString &quantityName);

// Where the line of a series breaks: between two columns whose samples lie further apart than a few
// sampling intervals (estimated from the data itself) or than one column.
qint64 gapThreshold(const std::vector<history::HistoryReader::Column> &columns, qint64 columnSpanMs);

// The column under a time on the chart: the one holding it, else the nearest within `withinMs`.
std::optional<history::HistoryReader::Column>
columnAt(const std::vector<history::HistoryReader::Column> &columns, qint64 timeMs, qint64 withinMs);

} // namespace korvel::trends
