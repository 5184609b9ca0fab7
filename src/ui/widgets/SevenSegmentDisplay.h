#pragma once

#include "core/Screen.h"

#include <QFont>
#include <QLabel>

namespace korvel
{

// A panel LED display: lit segments on black, right-aligned, in the DSEG7 font. The caption
// (text()/setText()) is kept exactly as given; only the drawing maps characters onto the segments.
class SevenSegmentDisplay final : public QLabel
{
    Q_OBJECT
public:
    static constexpr Colour defaultLitColour = rgb(0, 255, 64);

    explicit SevenSegmentDisplay(QWidget *parent = nullptr);
    explicit SevenSegmentDisplay(const QString &text, QWidget *parent = nullptr);

    Colour litColour() const { return m_litColour; }
    void setLitColour(Colour colour);

    // Drawn at half brightness: the reading may be out of date.
    bool dimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);

    // Faint unlit segments behind the text, at least `digits` wide (0: as wide as the text).
    bool ghostVisible() const { return m_ghostVisible; }
    void setGhostVisible(bool visible);
    int ghostDigits() const { return m_ghostDigits; }
    void setGhostDigits(int digits);

    // The characters drawn for a caption: DSEG7 has no comma, so a decimal comma becomes the
    // segment decimal point, and a blank takes a whole digit cell as on a real display.
    static QString segmentText(const QString &caption);
    // The unlit pattern behind segmentText: "8." in every digit cell, colons kept, padded on the left.
    static QString ghostText(const QString &segments, int minimumDigits);
    // Family of the segment font, or an empty string when the font file is missing.
    static QString segmentFontFamily();

    // Height in pixels of a digit as drawn at the display's present size, for the longest of its
    // caption and its cells.
    int digitHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QFont fontForHeight(int pixelHeight) const;
    // The largest font that fits the height of `area`, shrunk when `segments` or `cells` would not fit
    // its width.
    QFont fittedFont(const QRect &area, const QString &segments, const QString &cells) const;
    QRect textArea() const;

    Colour m_litColour = defaultLitColour;
    bool m_ghostVisible = true;
    int m_ghostDigits = 0;
    bool m_dimmed = false;
};

} // namespace korvel
