#pragma once

#include <QObject>
#include <QWidget>

namespace korvel::testing
{

// Counts the paint events a widget receives, to prove that a call which changes nothing draws nothing.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget);
    int count() const { return m_count; }
    // Lets every pending update run and returns the paints since the last call.
    int settle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_count = 0;
    int m_seen = 0;
};

// Shows a top-level widget on the offscreen platform and waits until it has been painted once.
void showAndSettle(QWidget &widget);

// Runs pending events until a layout change has reached every widget (it takes a few rounds: a child's
// new size hint reaches the layout, which resizes the scroll area's content, which scrolls).
void settle();

// Renders a widget to an image the size of the widget.
QImage grab(QWidget &widget);

} // namespace korvel::testing
