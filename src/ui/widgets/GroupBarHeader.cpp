#include "ui/widgets/GroupBarHeader.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace korvel
{

GroupBarHeader::GroupBarHeader(const QString &caption, Colour captionColour, QWidget *parent)
    : QWidget(parent), m_caption(caption), m_captionColour(captionColour & 0xFFFFFF)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GroupBarHeader::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    update();
}

QSize GroupBarHeader::sizeHint() const
{
    QFont f = font();
    f.setBold(true);
    return {120, QFontMetrics(f).height() + 10};
}

void GroupBarHeader::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    // Silver lettering needs a dark band to be read; a light one would swallow it.
    QLinearGradient band(0, 0, 0, height());
    band.setColorAt(0, QColor(74, 84, 100));
    band.setColorAt(1, QColor(40, 46, 58));
    p.fillRect(rect(), band);
    p.setPen(QColor(104, 116, 136));
    p.drawLine(0, 0, width() - 1, 0);
    p.setPen(QColor(20, 24, 30));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);

    // Chevron: down when open, right when folded.
    p.setRenderHint(QPainter::Antialiasing);
    const double s = height() * 0.16;
    const QPointF c(12, height() / 2.0);
    QPainterPath chevron;
    if (m_expanded) {
        chevron.moveTo(c + QPointF(-s, -s * 0.5));
        chevron.lineTo(c + QPointF(0, s * 0.7));
        chevron.lineTo(c + QPointF(s, -s * 0.5));
    } else {
        chevron.moveTo(c + QPointF(-s * 0.5, -s));
        chevron.lineTo(c + QPointF(s * 0.7, 0));
        chevron.lineTo(c + QPointF(-s * 0.5, s));
    }
    p.setPen(QPen(QColor::fromRgb(m_captionColour), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);

    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    const QRect text = rect().adjusted(24, 0, -6, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(f).elidedText(m_caption, Qt::ElideRight, text.width()));
}

void GroupBarHeader::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void GroupBarHeader::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}

} // namespace korvel
