#include "ui/widgets/ScrollingText.h"

#include <QPainter>
#include <QTimer>

namespace korvel
{

namespace
{
constexpr int stepMs = 30;
constexpr int stepPixels = 2;
constexpr int startMargin = 8;
} // namespace

ScrollingText::ScrollingText(QWidget *parent) : QLabel(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(stepMs);
    connect(m_timer, &QTimer::timeout, this, &ScrollingText::step);
}

bool ScrollingText::isScrolling() const
{
    return m_timer->isActive();
}

QStringList ScrollingText::shownLines() const
{
    QString t = text();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.split(QLatin1Char('\n'));
}

void ScrollingText::step()
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &line : shownLines())
        widest = std::max(widest, metrics.horizontalAdvance(line));
    m_offset += stepPixels;
    // Once the text has left at the left edge it comes in again from the right.
    if (m_offset > width() + widest)
        m_offset = 0;
    update();
}

void ScrollingText::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QStringList lines = shownLines();
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.height();
    int y = (height() - lineHeight * int(lines.size())) / 2 + metrics.ascent();
    for (const QString &line : lines) {
        p.drawText(width() - m_offset, y, line);
        y += lineHeight;
    }
}

void ScrollingText::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    // Each opening starts with the text in view, near the left edge, on its way out.
    m_offset = std::max(0, width() - startMargin);
    m_timer->start();
}

void ScrollingText::hideEvent(QHideEvent *event)
{
    QLabel::hideEvent(event);
    m_timer->stop();
}

} // namespace korvel
