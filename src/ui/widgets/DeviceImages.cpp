#include "ui/widgets/DeviceImages.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <numbers>

namespace korvel
{

namespace
{

// Pictures are laid out on a 16-unit grid; at 32 pixels a unit is two pixels and half units add detail.
struct Canvas {
    QPainter &p;
    double pixel; // one device pixel in units

    bool large() const { return pixel < 1; }

    void box(double x, double y, double w, double h, const QColor &colour) const
    {
        p.fillRect(QRectF(x, y, w, h), colour);
    }
    void box(double x, double y, double w, double h, const QColor &top, const QColor &bottom) const
    {
        QLinearGradient g(0, y, 0, y + h);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.fillRect(QRectF(x, y, w, h), g);
    }
    // A body with a one-pixel outline.
    void framed(double x, double y, double w, double h, const QColor &outline, const QColor &top,
                const QColor &bottom) const
    {
        box(x, y, w, h, outline);
        box(x + pixel, y + pixel, w - 2 * pixel, h - 2 * pixel, top, bottom);
    }
};

// Network analyzer: a blue panel meter with a dark screen showing a waveform and a row of keys.
void drawAnalyzer(const Canvas &c)
{
    c.framed(1, 1, 14, 14, QColor(22, 44, 86), QColor(98, 150, 220), QColor(36, 82, 156));
    c.framed(3, 3, 10, 7, QColor(8, 16, 12), QColor(22, 60, 40), QColor(12, 36, 24));
    QPainterPath wave;
    const double left = 3 + 2 * c.pixel, right = 13 - 2 * c.pixel;
    for (int i = 0; i <= 32; ++i) {
        const double x = left + (right - left) * i / 32.0;
        const double y = 6.5 - 1.7 * qSin(2 * std::numbers::pi * i / 16.0);
        i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    c.p.save();
    c.p.setRenderHint(QPainter::Antialiasing);
    c.p.setPen(QPen(QColor(140, 255, 120), 1.2 * c.pixel));
    c.p.drawPath(wave);
    c.p.restore();
    for (int x : {4, 7, 10})
        c.box(x, c.large() ? 11.5 : 11, 2, c.large() ? 1.5 : 1, QColor(226, 234, 244));
}

// Overcurrent relay: a charcoal rail-mounted box with terminal strips and a red trip indicator.
void drawRelay(const Canvas &c)
{
    const QColor strip(74, 76, 82);
    const QColor screw(196, 198, 204);
    c.box(2, 1, 12, 2, strip);
    c.box(2, 13, 12, 2, strip);
    const double inset = c.large() ? 0.5 : 0;
    for (int x : {3, 6, 9, 12}) {
        c.box(x, 1 + inset, 1, 1, screw);
        c.box(x, 13 + inset, 1, 1, screw);
    }
    c.framed(1, 3, 14, 10, QColor(12, 12, 14), QColor(92, 94, 102), QColor(40, 42, 48));
    // Trip flag in a dark window, lit from the top left.
    c.box(5, 4, 6, 6, QColor(20, 20, 22));
    c.p.save();
    c.p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient red(QPointF(7.2, 6.2), 3.2);
    red.setColorAt(0, QColor(255, 150, 140));
    red.setColorAt(0.35, QColor(240, 36, 28));
    red.setColorAt(1, QColor(150, 0, 0));
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(red);
    c.p.drawEllipse(QRectF(5.5, 4.5, 5, 5));
    c.p.restore();
    // Setting keys under the flag.
    c.box(4, 11, 3, 1, QColor(230, 190, 60));
    c.box(9, 11, 3, 1, QColor(200, 204, 212));
}

// Meter reader: a cream electricity meter with its counter window (last drum red) and the disc slit.
void drawMeter(const Canvas &c)
{
    c.framed(2, 1, 12, 14, QColor(70, 64, 50), QColor(250, 246, 232), QColor(216, 208, 186));
    c.box(2 + c.pixel, 1 + c.pixel, 12 - 2 * c.pixel, 2, QColor(60, 60, 64));
    c.box(3, 4, 10, 4, QColor(10, 10, 10));
    const bool large = c.large();
    for (int i = 0; i < 4; ++i) {
        const QColor drum = i == 3 ? QColor(236, 40, 30) : QColor(245, 245, 245);
        if (large)
            c.box(4 + 2.25 * i, 4.5, 1.5, 3, drum);
        else
            c.box(4 + 2 * i, 5, 1, 2, drum);
    }
    c.box(4, 9, 8, 2, QColor(40, 40, 40));
    const double discY = large ? 9.5 : 10;
    c.box(4 + c.pixel, discY, 8 - 2 * c.pixel, 1, QColor(190, 192, 196));
    c.box(7, discY, 1, 1, QColor(200, 20, 20));
    c.box(4, 12, 5, 1, QColor(150, 140, 120));
    c.box(11, 12, 1, 1, QColor(255, 40, 20));
}

} // namespace

DeviceImages::DeviceImages()
{
    for (int i = 0; i < count; ++i) {
        m_small[size_t(i)] = draw(i, smallSize);
        m_large[size_t(i)] = draw(i, largeSize);
    }
}

bool DeviceImages::hasPicture(int index)
{
    return index == 0 || index == 3 || index == 4;
}

QPixmap DeviceImages::draw(int index, int size)
{
    if (!hasPicture(index) || size <= 0)
        return {};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const double scale = size / 16.0;
    p.scale(scale, scale);
    const Canvas canvas{p, 1 / scale};
    switch (index) {
    case 0:
        drawAnalyzer(canvas);
        break;
    case 3:
        drawRelay(canvas);
        break;
    case 4:
        drawMeter(canvas);
        break;
    }
    return pixmap;
}

QPixmap DeviceImages::devicePicture(int index, int size) const
{
    if (!hasPicture(index) || size <= 0)
        return {};
    const QPixmap &nearest =
        size > (smallSize + largeSize) / 2 ? m_large[size_t(index)] : m_small[size_t(index)];
    if (nearest.width() == size)
        return nearest;
    return nearest.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QIcon DeviceImages::deviceIcon(int index) const
{
    if (!hasPicture(index))
        return {};
    QIcon icon;
    icon.addPixmap(m_small[size_t(index)]);
    icon.addPixmap(m_large[size_t(index)]);
    return icon;
}

} // namespace korvel
