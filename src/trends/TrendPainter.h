#pragma once

#include "history/HistoryReader.h"

#include <QColor>
#include <QLocale>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace korvel::trends
{

struct TrendSeries {
    QString name; // as the views name the quantity, unit in brackets
    QColor colour;
    std::vector<history::HistoryReader::Column> columns;
};

struct TrendView {
    qint64 fromMs = 0;
    qint64 toMs = 0;
    std::vector<TrendSeries> series;
    std::optional<qint64> cursorMs;
    QLocale locale;
};

// Draws a trend chart: a legend, one value axis per unit at the left, the time axis below, each series
// as the least and greatest value of every pixel column (so no spike is lost), broken where no data came,
// and a cursor line with the values under it.
class TrendPainter final
{
public:
    // The colours series take in turn: bright lines on the black of the client's displays.
    static QColor seriesColour(int index);
    // The area the lines are drawn in; its width is the number of columns to ask the reader for.
    static QRect plotArea(QSize size, int axisCount);
    static int axisCount(const TrendView &view);
    static void paint(QPainter &painter, QSize size, const TrendView &view);
    // "12,5 V" or "12,1 … 13,0 V" for a column, in the locale's decimal mark.
    static QString valueText(const history::HistoryReader::Column &column, const QString &name,
                             const QLocale &locale);
    static qint64 timeAt(const QRect &plot, const TrendView &view, int x);
};

} // namespace korvel::trends
