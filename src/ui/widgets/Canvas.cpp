#include "ui/widgets/Canvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace korvel
{

Canvas::Canvas(int width, int height, QWidget *parent)
    : QWidget(parent), m_image(width, height, QImage::Format_RGB32)
{
    m_image.fill(Qt::white);
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Canvas::clear(const QColor &colour)
{
    m_image.fill(colour);
    m_title.clear();
    update();
}

void Canvas::fillRectangle(const QRect &area, const QColor &colour)
{
    QPainter painter(&m_image);
    painter.fillRect(area, colour);
    update();
}

void Canvas::drawPolyline(const QList<QPoint> &points, const QColor &colour, int penWidth)
{
    if (points.size() < 2)
        return;
    QPainter painter(&m_image);
    painter.setPen(QPen(colour, penWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPolyline(points.constData(), int(points.size()));
    update();
}

void Canvas::drawText(QPoint at, const QString &text, const QColor &colour)
{
    QPainter painter(&m_image);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(colour);
    const QFontMetrics metrics(bold);
    painter.drawText(at.x(), at.y() + metrics.ascent(), text);
    update();
}

void Canvas::drawTitle(QPoint at, const QString &text, const QColor &colour)
{
    drawText(at, text, colour);
    m_title = text;
}

void Canvas::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

} // namespace korvel
