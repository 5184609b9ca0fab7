#include "ui/widgets/UrlLabel.h"

#include <QPainter>

namespace korvel
{

namespace
{
constexpr int margin = 4;
} // namespace

UrlLabel::UrlLabel(const QString &text, QWidget *parent) : QAbstractButton(parent)
{
    setText(text);
    setCursor(Qt::PointingHandCursor);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
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
    return {metrics.horizontalAdvance(text()) + 2 * margin, metrics.height() + 6};
}

int UrlLabel::heightForWidth(int width) const
{
    const QRect bounds(0, 0, std::max(1, width - 2 * margin), 100000);
    return QFontMetrics(font()).boundingRect(bounds, Qt::TextWordWrap, text()).height() + 6;
}

void UrlLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const Colour c = shownColour();
    p.setPen(QColor(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)));
    p.setFont(font());
    p.drawText(rect().adjusted(margin, 0, -margin, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap,
               text());
}

} // namespace korvel
