#include "trends/TrendPainter.h"

#include "trends/TrendScale.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <cmath>
#include <map>

namespace korvel::trends
{

namespace
{
constexpr int AxisWidth = 58;
constexpr int LegendHeight = 22;
constexpr int TimeAxisHeight = 22;
// Between the legend and the plot: each axis's unit, clear of its top label.
constexpr int UnitRowHeight = 14;
const QColor Background(0, 0, 0);
const QColor Grid(48, 56, 48);
const QColor Text(200, 200, 200);
const QColor Cursor(255, 255, 255);

std::vector<QString> axisKeys(const TrendView &view)
{
    std::vector<QString> keys;
    for (const TrendSeries &s : view.series) {
        const QString key = axisKey(s.name);
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    return keys;
}

QString number(double v, const QLocale &locale)
{
    const double a = std::abs(v);
    return locale.toString(v, 'f', a >= 1000 ? 1 : a >= 10 ? 2 : 3);
}
} // namespace

QColor TrendPainter::seriesColour(int index)
{
    static const QColor colours[] = {QColor(0, 255, 0),     QColor(255, 255, 0),  QColor(0, 220, 255),
                                     QColor(255, 80, 255),  QColor(255, 160, 0),  QColor(255, 60, 60),
                                     QColor(240, 240, 240), QColor(120, 140, 255)};
    return colours[index % int(std::size(colours))];
}

QRect TrendPainter::plotArea(QSize size, int axisCount)
{
    const int left = std::max(1, axisCount) * AxisWidth;
    const int top = LegendHeight + UnitRowHeight + 6;
    return QRect(left, top, std::max(1, size.width() - left - 14),
                 std::max(1, size.height() - top - TimeAxisHeight - 4));
}

int TrendPainter::axisCount(const TrendView &view)
{
    return int(axisKeys(view).size());
}

qint64 TrendPainter::timeAt(const QRect &plot, const TrendView &view, int x)
{
    return view.fromMs + qint64(double(x - plot.left()) * double(view.toMs - view.fromMs) / plot.width());
}

QString TrendPainter::valueText(const history::HistoryReader::Column &column, const QString &name,
                                const QLocale &locale)
{
    const QString key = axisKey(name);
    const bool unit = name.endsWith(u')');
    const QString text = column.min == column.max ? number(column.min, locale)
                                                  : number(column.min, locale) + QStringLiteral(" … ") +
                                                        number(column.max, locale);
    return unit ? text + u' ' + key : text;
}

void TrendPainter::paint(QPainter &painter, QSize size, const TrendView &view)
{
    painter.fillRect(QRect(QPoint(0, 0), size), Background);
    const std::vector<QString> keys = axisKeys(view);
    const QRect plot = plotArea(size, int(keys.size()));
    const QFontMetrics metrics(painter.font());
    const double span = double(std::max<qint64>(1, view.toMs - view.fromMs));
    const auto xOf = [&](qint64 t) { return plot.left() + double(t - view.fromMs) * plot.width() / span; };

    // The value axes, one per unit, from the values in view.
    std::map<QString, ValueAxis> axes;
    for (const QString &key : keys) {
        double lo = INFINITY, hi = -INFINITY;
        for (const TrendSeries &s : view.series) {
            if (axisKey(s.name) != key)
                continue;
            for (const auto &c : s.columns) {
                lo = std::min(lo, c.min);
                hi = std::max(hi, c.max);
            }
        }
        ValueAxis axis = std::isfinite(lo) ? niceAxis(lo, hi) : ValueAxis{};
        axis.unit = key;
        axes[key] = axis;
    }

    painter.setPen(Grid);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    for (const TimeTick &tick : timeTicks(view.fromMs, view.toMs, plot.width(), view.locale)) {
        const int x = int(std::lround(xOf(tick.timeMs)));
        painter.setPen(Grid);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(Text);
        const int w = metrics.horizontalAdvance(tick.label);
        painter.drawText(std::clamp(x - w / 2, 0, size.width() - w), plot.bottom() + 4 + metrics.ascent(),
                         tick.label);
    }
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const ValueAxis &axis = axes[keys[k]];
        const int right = plot.left() - int(keys.size() - 1 - k) * AxisWidth - 4;
        const auto colourIt = std::find_if(view.series.begin(), view.series.end(),
                                           [&](const TrendSeries &s) { return axisKey(s.name) == keys[k]; });
        painter.setPen(colourIt != view.series.end() ? colourIt->colour : Text);
        painter.drawText(right - metrics.horizontalAdvance(axis.unit), plot.top() - metrics.ascent() / 2 - 3,
                         axis.unit);
        painter.drawLine(right + 2, plot.top(), right + 2, plot.bottom());
        for (double v = axis.low; v <= axis.high + axis.step / 2; v += axis.step) {
            const int y =
                plot.bottom() - int(std::lround((v - axis.low) / (axis.high - axis.low) * plot.height()));
            const int decimals = std::max(0, -int(std::floor(std::log10(axis.step) + 1e-9)));
            const QString label =
                view.locale.toString(std::abs(v) < axis.step / 1e6 ? 0.0 : v, 'f', decimals);
            painter.drawText(right - metrics.horizontalAdvance(label) - 2, y + metrics.ascent() / 2, label);
            if (k + 1 == keys.size()) {
                painter.save();
                painter.setPen(Grid);
                painter.drawLine(plot.left(), y, plot.right(), y);
                painter.restore();
            }
        }
    }

    // The lines: each column as a stroke from its least to its greatest value, joined to the next unless
    // a gap lies between them.
    painter.save();
    painter.setClipRect(plot);
    const qint64 columnSpan = qint64(span / plot.width()) + 1;
    for (const TrendSeries &s : view.series) {
        const ValueAxis &axis = axes[axisKey(s.name)];
        const auto yOf = [&](double v) {
            return plot.bottom() - (v - axis.low) / (axis.high - axis.low) * plot.height();
        };
        const qint64 gap = gapThreshold(s.columns, columnSpan);
        // A one-pixel pen and plain polylines: a wider pen over thousands of folded segments costs
        // the stroker hundreds of milliseconds.
        painter.setPen(QPen(s.colour, 1));
        QList<QPointF> line;
        // A column alone between gaps (most often one sample) would be a lone pixel: a dot marks it.
        const auto drawLine = [&] {
            if (line.size() == 2)
                painter.fillRect(QRectF(line[1].x() - 1.5, line[1].y() - 1.5, 3, 3), s.colour);
            painter.drawPolyline(line);
            line.clear();
        };
        const history::HistoryReader::Column *previous = nullptr;
        for (const auto &c : s.columns) {
            if (previous && c.firstMs - previous->lastMs > gap)
                drawLine();
            const double x = xOf((c.firstMs + c.lastMs) / 2);
            line.append(QPointF(x, yOf(c.min)));
            line.append(QPointF(x + (c.min == c.max ? 0.5 : 0.0), yOf(c.max)));
            previous = &c;
        }
        drawLine();
    }
    painter.restore();

    // The legend above the plot.
    int x = plot.left();
    for (const TrendSeries &s : view.series) {
        painter.fillRect(QRect(x, 8, 14, 4), s.colour);
        painter.setPen(Text);
        painter.drawText(x + 18, 6 + metrics.ascent() / 2 + 4, s.name);
        x += 18 + metrics.horizontalAdvance(s.name) + 16;
    }

    // The cursor and what lies under it.
    if (view.cursorMs && *view.cursorMs >= view.fromMs && *view.cursorMs <= view.toMs) {
        const int cx = int(std::lround(xOf(*view.cursorMs)));
        painter.setPen(QPen(Cursor, 1, Qt::DashLine));
        painter.drawLine(cx, plot.top(), cx, plot.bottom());
        QStringList lines{view.locale.toString(
            QDateTime::fromMSecsSinceEpoch(*view.cursorMs),
            view.locale.dateTimeFormat(QLocale::ShortFormat).contains(QLatin1String("ss"))
                ? view.locale.dateTimeFormat(QLocale::ShortFormat)
                : view.locale.dateTimeFormat(QLocale::ShortFormat)
                      .replace(QLatin1String("mm"), QLatin1String("mm:ss")))};
        std::vector<QColor> colours{Cursor};
        for (const TrendSeries &s : view.series) {
            const auto c = columnAt(s.columns, *view.cursorMs, gapThreshold(s.columns, columnSpan) / 2);
            lines << s.name + QStringLiteral(": ") +
                         (c ? valueText(*c, s.name, view.locale) : QStringLiteral("—"));
            colours.push_back(s.colour);
        }
        int w = 0;
        for (const QString &line : lines)
            w = std::max(w, metrics.horizontalAdvance(line));
        const int h = int(lines.size()) * metrics.height() + 8;
        const int bx = cx + 8 + w + 12 > plot.right() ? cx - 8 - w - 12 : cx + 8;
        const QRect box(bx, plot.top() + 8, w + 12, h);
        painter.fillRect(box, QColor(20, 24, 20, 230));
        painter.setPen(Grid);
        painter.drawRect(box);
        for (int i = 0; i < int(lines.size()); ++i) {
            painter.setPen(colours[std::size_t(i)]);
            painter.drawText(box.left() + 6, box.top() + 4 + metrics.ascent() + i * metrics.height(),
                             lines[i]);
        }
    }
}

} // namespace korvel::trends
