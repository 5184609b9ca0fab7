#pragma once

#include "trends/TrendPainter.h"

#include <QWidget>

namespace korvel
{

// The trend chart on screen. The wheel zooms around the pointer, a left drag selects a span to zoom into,
// a right or middle drag (or Shift with the left) pans, a double-click goes back to the whole range; the
// pointer carries a cursor that reads out the values under it. The owner answers spanChanged with
// new data for the span, in as many columns as plotWidth().
class TrendChart final : public QWidget
{
    Q_OBJECT
public:
    explicit TrendChart(QWidget *parent = nullptr);

    void setView(trends::TrendView view);
    const trends::TrendView &view() const { return m_view; }
    int plotWidth() const;
    // Puts the cursor at a time, as the pointer does.
    void setCursorTime(std::optional<qint64> timeMs);

Q_SIGNALS:
    void spanChanged(qint64 fromMs, qint64 toMs);
    void wholeRangeAsked();
    // The plot has another number of pixel columns: the same span is asked for again.
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect plot() const;
    qint64 timeAt(int x) const;

    trends::TrendView m_view;
    enum class Drag { None, Select, Pan } m_drag = Drag::None;
    int m_dragStartX = 0;
    int m_dragX = 0;
    qint64 m_panFrom = 0;
    qint64 m_panTo = 0;
};

} // namespace korvel
