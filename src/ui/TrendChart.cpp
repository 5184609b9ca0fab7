#include "ui/TrendChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace korvel
{

namespace
{
// Below this a span holds too few samples to be worth zooming into.
constexpr qint64 ShortestSpanMs = 10'000;
} // namespace

TrendChart::TrendChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Grafik"));
    setMouseTracking(true);
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendChart::setView(trends::TrendView view)
{
    view.cursorMs = m_view.cursorMs;
    m_view = std::move(view);
    update();
}

int TrendChart::plotWidth() const
{
    return plot().width();
}

void TrendChart::setCursorTime(std::optional<qint64> timeMs)
{
    m_view.cursorMs = timeMs;
    update();
}

QRect TrendChart::plot() const
{
    return trends::TrendPainter::plotArea(size(), trends::TrendPainter::axisCount(m_view));
}

qint64 TrendChart::timeAt(int x) const
{
    return trends::TrendPainter::timeAt(plot(), m_view, x);
}

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    trends::TrendPainter::paint(painter, size(), m_view);
    if (m_drag == Drag::Select) {
        const QRect area = plot();
        painter.fillRect(QRect(QPoint(std::min(m_dragStartX, m_dragX), area.top()),
                               QPoint(std::max(m_dragStartX, m_dragX), area.bottom())),
                         QColor(0, 255, 0, 50));
    }
}

void TrendChart::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0 || m_view.toMs <= m_view.fromMs)
        return;
    // The time under the pointer stays under it.
    const qint64 pivot = timeAt(int(event->position().x()));
    const double factor = std::pow(0.8, steps);
    qint64 from = pivot - qint64(double(pivot - m_view.fromMs) * factor);
    qint64 to = pivot + qint64(double(m_view.toMs - pivot) * factor);
    if (to - from < ShortestSpanMs)
        return;
    Q_EMIT spanChanged(from, to);
}

void TrendChart::mousePressEvent(QMouseEvent *event)
{
    m_dragStartX = m_dragX = int(event->position().x());
    const bool pan = event->button() == Qt::RightButton || event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    m_drag = pan ? Drag::Pan : event->button() == Qt::LeftButton ? Drag::Select : Drag::None;
    m_panFrom = m_view.fromMs;
    m_panTo = m_view.toMs;
}

void TrendChart::mouseMoveEvent(QMouseEvent *event)
{
    const int x = int(event->position().x());
    m_dragX = x;
    if (m_drag == Drag::Pan) {
        const qint64 shift =
            qint64(double(m_dragStartX - x) * double(m_panTo - m_panFrom) / std::max(1, plot().width()));
        Q_EMIT spanChanged(m_panFrom + shift, m_panTo + shift);
    }
    m_view.cursorMs = plot().contains(event->position().toPoint()) ? std::optional(timeAt(x)) : std::nullopt;
    update();
}

void TrendChart::mouseReleaseEvent(QMouseEvent *event)
{
    const Drag drag = std::exchange(m_drag, Drag::None);
    const int x = int(event->position().x());
    if (drag == Drag::Select && std::abs(x - m_dragStartX) >= 4) {
        const qint64 from = timeAt(std::min(x, m_dragStartX)), to = timeAt(std::max(x, m_dragStartX));
        if (to - from >= ShortestSpanMs)
            Q_EMIT spanChanged(from, to);
    }
    update();
}

void TrendChart::mouseDoubleClickEvent(QMouseEvent *)
{
    m_drag = Drag::None;
    Q_EMIT wholeRangeAsked();
}

void TrendChart::leaveEvent(QEvent *)
{
    setCursorTime(std::nullopt);
}

void TrendChart::resizeEvent(QResizeEvent *)
{
    Q_EMIT resized();
}

} // namespace korvel
