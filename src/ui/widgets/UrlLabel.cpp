#include "ui/widgets/UrlLabel.h"

#include <QPainter>

namespace korvel
{

UrlLabel::UrlLabel(const QString &text, QWidget *parent) : QAbstractButton(parent)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    connect(this, &QAbstractButton::clicked, this, [this] {
        m_isVisited = true;
        update();
    });
}

void UrlLabel::setUnvisitedColour(Colour colour)
{
    if (colour == m_unvisited)
        return;
    m_unvisited = colour;
    if (!m_isVisited)
        update();
}

void UrlLabel::setVisitedColour(Colour colour)
{
    if (colour == m_visited)
        return;
    m_visited = colour;
    if (m_isVisited)
        update();
}

QSize UrlLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 8, metrics.height() + 6};
}

void UrlLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const Colour c = shownColour();
    p.setPen(QColor(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)));
    p.setFont(font());
    p.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, text());
}

} // namespace korvel
