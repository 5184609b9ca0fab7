#include "ui/widgets/Lamp.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace korvel
{

Lamp::Lamp(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::setBrushColour(Colour colour)
{
    colour &= 0xFFFFFF;
    if (colour == m_brushColour)
        return;
    m_brushColour = colour;
    update();
}

void Lamp::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

void Lamp::setShape(Shape shape)
{
    if (shape == m_shape)
        return;
    m_shape = shape;
    updateGeometry();
    update();
}

QSize Lamp::sizeHint() const
{
    return m_shape == Shape::Circle ? QSize(22, 22) : QSize(34, 18);
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);

    QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_shape == Shape::Circle) {
        const double d = qMin(outer.width(), outer.height());
        outer = QRectF(outer.center().x() - d / 2, outer.center().y() - d / 2, d, d);
    }
    const double side = qMin(outer.width(), outer.height());
    if (side < 2)
        return;

    auto outline = [this](const QRectF &r) {
        QPainterPath path;
        if (m_shape == Shape::Circle) {
            path.addEllipse(r);
        } else {
            const double radius = qMin(r.width(), r.height()) * 0.35;
            path.addRoundedRect(r, radius, radius);
        }
        return path;
    };

    // Bezel: a dark metal ring lit from above.
    QLinearGradient bezel(outer.topLeft(), outer.bottomLeft());
    bezel.setColorAt(0, QColor(120, 120, 124));
    bezel.setColorAt(1, QColor(24, 24, 26));
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(bezel);
    p.drawPath(outline(outer));

    // Dome: the brush colour, brighter at the top left where the light sits, darker at the rim.
    const double ring = qMax(1.5, side * 0.12);
    const QRectF dome = outer.adjusted(ring, ring, -ring, -ring);
    QColor base = QColor::fromRgb(m_brushColour);
    if (m_dimmed)
        base = QColor(base.red() / 2, base.green() / 2, base.blue() / 2);
    QRadialGradient fill(dome.center() - QPointF(dome.width() * 0.15, dome.height() * 0.2),
                         qMax(dome.width(), dome.height()) * 0.75);
    fill.setColorAt(0, base.lighter(150));
    fill.setColorAt(0.55, base);
    fill.setColorAt(1, base.darker(190));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(outline(dome));

    // Gloss: a soft highlight on the upper half of the glass.
    const QRectF gloss(dome.left() + dome.width() * 0.18, dome.top() + dome.height() * 0.06,
                       dome.width() * 0.64, dome.height() * 0.42);
    QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
    shine.setColorAt(0, QColor(255, 255, 255, m_dimmed ? 85 : 170));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(shine);
    p.drawPath(outline(gloss));
}

} // namespace korvel
