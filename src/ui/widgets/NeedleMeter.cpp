#include "ui/widgets/NeedleMeter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace korvel
{

namespace
{

constexpr double halfSweep = 48.0; // degrees either side of upright

const QColor faceTop(34, 36, 40);
const QColor faceBottom(10, 10, 12);
const QColor scaleInk(230, 230, 222);
const QColor leadingZone(64, 140, 230);  // left half: capacitive for cos φ
const QColor trailingZone(236, 152, 40); // right half: inductive for cos φ
const QColor needleRed(230, 30, 24);

QPointF polar(QPointF pivot, double radius, double degreesFromUpright)
{
    const double a = qDegreesToRadians(degreesFromUpright);
    return {pivot.x() + radius * qSin(a), pivot.y() - radius * qCos(a)};
}

// QPainter arcs count degrees anticlockwise from three o'clock.
double arcStart(double degreesFromUpright)
{
    return 90.0 - degreesFromUpright;
}

} // namespace

NeedleMeter::NeedleMeter(QWidget *parent)
    : QWidget(parent), m_marks{{-50, QStringLiteral("-0,5")},
                               {-20, QStringLiteral("-0,8")},
                               {0, QStringLiteral("1,0")},
                               {20, QStringLiteral("+0,8")},
                               {50, QStringLiteral("+0,5")}},
      m_leftCaption(QStringLiteral("KAPASİTİF")), m_rightCaption(QStringLiteral("İNDÜKTİF")),
      m_legend(QStringLiteral("cos φ"))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NeedleMeter::setRange(int minimum, int maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    m_position = qBound(m_minimum, m_position, m_maximum);
    update();
}

void NeedleMeter::setPosition(int position)
{
    position = qBound(m_minimum, position, m_maximum);
    if (position == m_position)
        return;
    m_position = position;
    update();
}

void NeedleMeter::setMarks(const QList<Mark> &marks)
{
    m_marks = marks;
    update();
}

void NeedleMeter::setLegend(const QString &legend)
{
    if (legend == m_legend)
        return;
    m_legend = legend;
    update();
}

void NeedleMeter::setEndCaptions(const QString &left, const QString &right)
{
    m_leftCaption = left;
    m_rightCaption = right;
    update();
}

double NeedleMeter::angleFor(double position) const
{
    const double span = m_maximum - m_minimum;
    const double t = span > 0 ? (position - m_minimum) / span : 0.5;
    return -halfSweep + 2 * halfSweep * t;
}

void NeedleMeter::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

void NeedleMeter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().window());

    // Bezel and face.
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double corner = qMin(outer.width(), outer.height()) * 0.06;
    QLinearGradient bezel(outer.topLeft(), outer.bottomLeft());
    bezel.setColorAt(0, QColor(96, 98, 104));
    bezel.setColorAt(1, QColor(40, 40, 44));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(bezel);
    p.drawRoundedRect(outer, corner, corner);
    const double rim = qMax(2.0, qMin(outer.width(), outer.height()) * 0.025);
    const QRectF face = outer.adjusted(rim, rim, -rim, -rim);
    QLinearGradient faceFill(face.topLeft(), face.bottomLeft());
    faceFill.setColorAt(0, faceTop);
    faceFill.setColorAt(1, faceBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(faceFill);
    p.drawRoundedRect(face, corner * 0.7, corner * 0.7);

    // Scale size: the labels above the arc and the end captions below decide the radius.
    const double captionSize = qMax(7.0, face.height() * 0.075);
    const double pivotY = face.bottom() - captionSize * 1.2;
    const QPointF pivot(face.center().x(), pivotY);
    const double sinHalf = qSin(qDegreesToRadians(halfSweep));
    const double byWidth = (face.width() / 2 - 4) / (sinHalf + 0.26);
    const double byHeight = (pivotY - face.top() - 4) / 1.2;
    const double radius = qMax(10.0, qMin(byWidth, byHeight));
    const double labelSize = qMax(7.0, radius * 0.12);

    // Coloured zones just inside the ticks: each half of the scale in its own colour.
    const double zoneRadius = radius * 0.83;
    const QRectF zoneRect(pivot.x() - zoneRadius, pivot.y() - zoneRadius, 2 * zoneRadius, 2 * zoneRadius);
    const double zoneWidth = qMax(2.0, radius * 0.055);
    const double middle = (m_minimum + m_maximum) / 2.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(leadingZone, zoneWidth, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(zoneRect, int(arcStart(angleFor(m_minimum)) * 16),
              int((angleFor(m_minimum) - angleFor(middle)) * 16));
    p.setPen(QPen(trailingZone, zoneWidth, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(zoneRect, int(arcStart(angleFor(middle)) * 16),
              int((angleFor(middle) - angleFor(m_maximum)) * 16));

    // Scale arc and ticks: a minor tick every twentieth of the range, longer ones every tenth.
    const QRectF arcRect(pivot.x() - radius, pivot.y() - radius, 2 * radius, 2 * radius);
    p.setPen(QPen(scaleInk, qMax(1.0, radius * 0.012)));
    p.drawArc(arcRect, int(arcStart(-halfSweep) * 16), int(-2 * halfSweep * 16));
    const int span = m_maximum - m_minimum;
    const int step = qMax(1, span / 20);
    for (int i = 0; i * step <= span; ++i) {
        const double a = angleFor(m_minimum + i * step);
        const bool major = i % 2 == 0;
        const double length = radius * (major ? 0.11 : 0.06);
        p.setPen(QPen(scaleInk, qMax(1.0, radius * (major ? 0.018 : 0.01)), Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(pivot, radius, a), polar(pivot, radius - length, a));
    }

    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(int(labelSize));
    p.setFont(font);
    for (const Mark &mark : m_marks) {
        if (mark.position < m_minimum || mark.position > m_maximum)
            continue;
        const double a = angleFor(mark.position);
        p.setPen(QPen(scaleInk, qMax(1.5, radius * 0.022), Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(pivot, radius, a), polar(pivot, radius * 0.86, a));
        const QPointF at = polar(pivot, radius + labelSize * 0.95, a);
        const QRectF box(at.x() - labelSize * 2.5, at.y() - labelSize * 0.7, labelSize * 5, labelSize * 1.4);
        p.drawText(box, Qt::AlignCenter, mark.label);
    }

    // End captions under the two ends of the scale, in the colour of their zone.
    QFont captionFont = this->font();
    captionFont.setBold(true);
    captionFont.setPixelSize(int(captionSize));
    p.setFont(captionFont);
    const QRectF captionRow(face.left() + rim * 2, pivotY - captionSize * 0.2, face.width() - rim * 4,
                            captionSize * 1.3);
    p.setPen(leadingZone.lighter(130));
    p.drawText(captionRow, Qt::AlignLeft | Qt::AlignVCenter, m_leftCaption);
    p.setPen(trailingZone.lighter(115));
    p.drawText(captionRow, Qt::AlignRight | Qt::AlignVCenter, m_rightCaption);

    if (!m_legend.isEmpty()) {
        QFont legendFont = this->font();
        legendFont.setItalic(true);
        legendFont.setPixelSize(int(labelSize * 1.1));
        p.setFont(legendFont);
        p.setPen(scaleInk.darker(125));
        const QPointF at(pivot.x(), pivot.y() - radius * 0.45);
        p.drawText(QRectF(at.x() - radius * 0.4, at.y() - labelSize, radius * 0.8, labelSize * 2),
                   Qt::AlignCenter, m_legend);
    }

    // Needle: tapered to a fine tip, with a soft shadow; the short tail stays on the face.
    p.save();
    p.setClipRect(face);
    const double needleAngle = angleFor(m_position);
    const double rootWidth = qMax(2.0, radius * 0.045);
    const QPointF tip = polar(pivot, radius * 0.97, needleAngle);
    const QPointF tail = polar(pivot, -radius * 0.1, needleAngle);
    const QPointF across = polar(QPointF(0, 0), rootWidth / 2, needleAngle + 90);
    QPolygonF needle;
    needle << tail + across << tip + across * 0.2 << tip - across * 0.2 << tail - across;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPolygon(needle.translated(1.5, 2));
    p.setBrush(needleRed);
    p.drawPolygon(needle);
    p.restore();

    const double hub = qMax(3.0, radius * 0.07);
    QRadialGradient hubFill(pivot - QPointF(hub * 0.3, hub * 0.3), hub * 1.2);
    hubFill.setColorAt(0, QColor(150, 150, 156));
    hubFill.setColorAt(1, QColor(30, 30, 34));
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(hubFill);
    p.drawEllipse(pivot, hub, hub);

    // Glass: a faint sheen over the upper face.
    QLinearGradient sheen(face.topLeft(), QPointF(face.left(), face.top() + face.height() * 0.55));
    sheen.setColorAt(0, QColor(255, 255, 255, 28));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sheen);
    p.drawRoundedRect(face, corner * 0.7, corner * 0.7);

    // Half brightness over everything on the face.
    if (m_dimmed) {
        p.setBrush(QColor(0, 0, 0, 128));
        p.drawRoundedRect(face, corner * 0.7, corner * 0.7);
    }
}

} // namespace korvel
