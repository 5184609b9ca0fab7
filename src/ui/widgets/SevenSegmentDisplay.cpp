#include "ui/widgets/SevenSegmentDisplay.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QRawFont>

namespace korvel
{

namespace
{

const QString segmentFontFile = QStringLiteral("/usr/share/fonts/truetype/dseg/DSEG7Classic-Bold.ttf");

// The font is registered once per process; a missing file leaves an empty family and the display
// falls back to a fixed-pitch system font.
struct SegmentFont {
    QString family;
    QRawFont raw;
};

const SegmentFont &segmentFont()
{
    static const SegmentFont font = [] {
        SegmentFont f;
        const int id = QFontDatabase::addApplicationFont(segmentFontFile);
        if (id >= 0)
            f.family = QFontDatabase::applicationFontFamilies(id).value(0);
        if (!f.family.isEmpty())
            f.raw = QRawFont(segmentFontFile, 20);
        return f;
    }();
    return font;
}

// The ghost only lines up when DSEG draws every character itself; a fallback glyph has another width.
bool segmentsCanShow(const QString &segments)
{
    const QRawFont &raw = segmentFont().raw;
    if (!raw.isValid())
        return false;
    for (const QChar c : segments) {
        if (!raw.supportsCharacter(c))
            return false;
    }
    return true;
}

QColor toColor(Colour colour)
{
    return QColor::fromRgb(colour);
}

QColor mixWithBlack(Colour colour, double amount)
{
    const QColor c = toColor(colour);
    return QColor::fromRgbF(float(c.redF() * amount), float(c.greenF() * amount), float(c.blueF() * amount));
}

constexpr double glyphShare = 0.72; // of the height: room above and below like a bezel
constexpr int padding = 4;

} // namespace

SevenSegmentDisplay::SevenSegmentDisplay(QWidget *parent) : SevenSegmentDisplay(QString(), parent) {}

SevenSegmentDisplay::SevenSegmentDisplay(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAttribute(Qt::WA_OpaquePaintEvent);
    segmentFont();
}

bool SevenSegmentDisplay::event(QEvent *event)
{
    const bool handled = QLabel::event(event);
    // A style sheet on a surrounding panel clears the opaque flag when it polishes the display. The
    // display paints every pixel of itself, so it stays opaque: a new reading then repaints only the
    // display, not the panels under it.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
    return handled;
}

void SevenSegmentDisplay::setLitColour(Colour colour)
{
    colour &= 0xFFFFFF;
    if (colour == m_litColour)
        return;
    m_litColour = colour;
    update();
}

void SevenSegmentDisplay::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    update();
}

void SevenSegmentDisplay::setGhostVisible(bool visible)
{
    if (visible == m_ghostVisible)
        return;
    m_ghostVisible = visible;
    update();
}

void SevenSegmentDisplay::setGhostDigits(int digits)
{
    digits = qBound(0, digits, 32);
    if (digits == m_ghostDigits)
        return;
    m_ghostDigits = digits;
    updateGeometry();
    update();
}

QString SevenSegmentDisplay::segmentText(const QString &caption)
{
    QString out = caption;
    for (QChar &c : out) {
        if (c == u',')
            c = u'.';
        else if (c == u' ')
            c = u'!'; // DSEG's blank as wide as a digit
    }
    return out;
}

QString SevenSegmentDisplay::ghostText(const QString &segments, int minimumDigits)
{
    QString cells;
    int digits = 0;
    for (const QChar c : segments) {
        if (c == u':') {
            cells += c;
        } else if (c != u'.') {
            cells += QStringLiteral("8.");
            ++digits;
        }
    }
    QString padding;
    for (; digits < minimumDigits; ++digits)
        padding += QStringLiteral("8.");
    return padding + cells;
}

QString SevenSegmentDisplay::segmentFontFamily()
{
    return segmentFont().family;
}

QFont SevenSegmentDisplay::fontForHeight(int pixelHeight) const
{
    const QString family = segmentFont().family;
    QFont f = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
    if (family.isEmpty())
        f.setBold(true);
    f.setPixelSize(qMax(6, pixelHeight));
    return f;
}

QFont SevenSegmentDisplay::fittedFont(const QRect &area, const QString &segments, const QString &cells) const
{
    QFont f = fontForHeight(int(area.height() * glyphShare));
    const QFontMetricsF fm(f);
    const double wanted = qMax(fm.horizontalAdvance(segments), fm.horizontalAdvance(cells));
    if (wanted > area.width())
        f.setPixelSize(qMax(6, int(f.pixelSize() * area.width() / wanted)));
    return f;
}

QRect SevenSegmentDisplay::textArea() const
{
    return contentsRect().adjusted(padding, 0, -padding, 0);
}

int SevenSegmentDisplay::digitHeight() const
{
    const QString segments = segmentText(text());
    const QFont f = fittedFont(textArea(), segments, ghostText(segments, m_ghostDigits));
    return int(QFontMetricsF(f).tightBoundingRect(QStringLiteral("8")).height());
}

QSize SevenSegmentDisplay::sizeHint() const
{
    const QFont f = fontForHeight(24);
    const QFontMetricsF fm(f);
    // Sized by its cells, not by its text: a new reading must not move the panel's layout, which would
    // repaint the whole window once a second. Longer texts shrink to fit when painted.
    const double width = fm.horizontalAdvance(ghostText(QString(), qMax(m_ghostDigits, 1)));
    return {int(width) + 2 * padding + 2, int(24 / glyphShare)};
}

QSize SevenSegmentDisplay::minimumSizeHint() const
{
    return {24, 16};
}

void SevenSegmentDisplay::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);

    const QRect area = textArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;

    const QString segments = segmentText(text());
    const bool ghost = m_ghostVisible && segmentsCanShow(segments);
    // The unlit cells stretch to the left, so the extra ones only make sense on a right-aligned face.
    const bool rightAligned = alignment() & Qt::AlignRight;
    const QString ghostCells = ghost ? ghostText(segments, rightAligned ? m_ghostDigits : 0) : QString();

    p.setFont(fittedFont(area, segments, ghostCells));
    p.setRenderHint(QPainter::TextAntialiasing);

    const int flags = int(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
    const double brightness = m_dimmed ? 0.5 : 1.0;
    if (ghost) {
        p.setPen(mixWithBlack(m_litColour, 0.13 * brightness));
        p.drawText(area, flags, ghostCells);
    }
    p.setPen(mixWithBlack(m_litColour, brightness));
    p.drawText(area, flags, segments);
}

} // namespace korvel
