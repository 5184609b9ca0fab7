#include "ui/widgets/SevenSegmentDisplay.h"
#include "WidgetTesting.h"

#include <QImage>

#include <gtest/gtest.h>

using korvel::SevenSegmentDisplay;
using korvel::testing::PaintCounter;

namespace
{

// A pixel belongs to a lit segment when it is close to the lit colour; ghost segments are far dimmer.
bool isLit(QRgb pixel, korvel::Colour lit)
{
    const QColor c(pixel);
    const QColor l = QColor::fromRgb(lit);
    return qAbs(c.red() - l.red()) < 90 && qAbs(c.green() - l.green()) < 90 && qAbs(c.blue() - l.blue()) < 90;
}

QImage render(const QString &text, QSize size = {160, 40})
{
    SevenSegmentDisplay display(text);
    display.resize(size);
    return korvel::testing::grab(display);
}

struct LitBox {
    int count = 0;
    QRect bounds;
};

LitBox litPixels(const QImage &image, korvel::Colour lit = SevenSegmentDisplay::defaultLitColour)
{
    LitBox box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isLit(image.pixel(x, y), lit)) {
                ++box.count;
                box.bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

bool haveSegmentFont()
{
    return !SevenSegmentDisplay::segmentFontFamily().isEmpty();
}

} // namespace

TEST(SevenSegmentDisplay, MapsCaptionOntoSegmentCharacters)
{
    const struct {
        const char16_t *caption;
        const char16_t *segments;
    } cases[] = {
        {u"12,34", u"12.34"}, {u"-001,0", u"-001.0"}, {u"230.0", u"230.0"},
        {u" 5", u"!5"},       {u"12:30", u"12:30"},   {u"", u""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SevenSegmentDisplay::segmentText(QString::fromUtf16(c.caption)),
                  QString::fromUtf16(c.segments))
            << QString::fromUtf16(c.caption).toStdString();
}

TEST(SevenSegmentDisplay, GhostHasAnUnlitDigitWithPointInEveryCell)
{
    const struct {
        const char16_t *segments;
        int minimumDigits;
        const char16_t *ghost;
    } cases[] = {
        {u"12.34", 0, u"8.8.8.8."},  {u"1", 4, u"8.8.8.8."},       {u"-5", 3, u"8.8.8."},
        {u"12:30", 0, u"8.8.:8.8."}, {u"12345", 2, u"8.8.8.8.8."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SevenSegmentDisplay::ghostText(QString::fromUtf16(c.segments), c.minimumDigits),
                  QString::fromUtf16(c.ghost))
            << QString::fromUtf16(c.segments).toStdString();
}

TEST(SevenSegmentDisplay, DecimalCommaKeepsItsCaptionAndLooksLikeTheSegmentPoint)
{
    if (!haveSegmentFont())
        GTEST_SKIP() << "DSEG7 font not installed";
    SevenSegmentDisplay display;
    display.setText(QStringLiteral("230,4"));
    EXPECT_EQ(display.text(), QStringLiteral("230,4"));

    const QImage comma = render(QStringLiteral("230,4"));
    EXPECT_EQ(comma, render(QStringLiteral("230.4")));
    EXPECT_NE(comma, render(QStringLiteral("2304"))) << "the point must be visible";
}

TEST(SevenSegmentDisplay, MinusLightsOnlyTheMiddleSegment)
{
    if (!haveSegmentFont())
        GTEST_SKIP() << "DSEG7 font not installed";
    const QImage image = render(QStringLiteral("-"), {60, 60});
    const LitBox lit = litPixels(image);
    ASSERT_GT(lit.count, 0);
    // A horizontal bar around the middle: wider than tall, clear of the top and bottom segments.
    EXPECT_GT(lit.bounds.width(), 2 * lit.bounds.height());
    EXPECT_GT(lit.bounds.top(), image.height() * 35 / 100);
    EXPECT_LT(lit.bounds.bottom(), image.height() * 65 / 100);
}

TEST(SevenSegmentDisplay, TextSitsAtTheRightLikeAPanelDisplay)
{
    const QImage image = render(QStringLiteral("1"), {200, 40});
    const LitBox lit = litPixels(image);
    ASSERT_GT(lit.count, 0);
    EXPECT_GT(lit.bounds.left(), image.width() * 3 / 4);
}

TEST(SevenSegmentDisplay, LongTextShrinksToStayInside)
{
    const QImage image = render(QStringLiteral("-123456789.0"), {80, 40});
    const LitBox lit = litPixels(image);
    ASSERT_GT(lit.count, 0);
    EXPECT_GE(lit.bounds.left(), 1);
    EXPECT_LE(lit.bounds.right(), image.width() - 2);
}

TEST(SevenSegmentDisplay, DrawsInTheLitColourOnBlack)
{
    for (const korvel::Colour colour :
         {SevenSegmentDisplay::defaultLitColour, korvel::colours::red, korvel::rgb(255, 200, 0)}) {
        SevenSegmentDisplay display(QStringLiteral("88"));
        display.setLitColour(colour);
        EXPECT_EQ(display.litColour(), colour);
        display.resize(120, 40);
        const QImage image = korvel::testing::grab(display);
        EXPECT_GT(litPixels(image, colour).count, 100) << std::hex << colour;
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    }
}

TEST(SevenSegmentDisplay, KeepsItsLookInsideAPanelWhoseStyleColoursLabels)
{
    QWidget panel;
    panel.setStyleSheet(QStringLiteral("QLabel { color: #c0c0c0; background: transparent; }"));
    auto *display = new SevenSegmentDisplay(QStringLiteral("88"), &panel);
    display->resize(120, 40);
    korvel::testing::showAndSettle(panel);
    const QImage image = korvel::testing::grab(*display);
    EXPECT_GT(litPixels(image).count, 100);
    EXPECT_EQ(litPixels(image, korvel::colours::silver).count, 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(SevenSegmentDisplay, CharactersWithoutASegmentGlyphStillShow)
{
    for (const QString &text : {QStringLiteral("~"), QStringLiteral("İ"), QStringLiteral("%")})
        EXPECT_GT(litPixels(render(text)).count, 0) << text.toStdString();
}

TEST(SevenSegmentDisplay, RepaintsOnlyWhenTheTextOrColourChanges)
{
    SevenSegmentDisplay display(QStringLiteral("000,0"));
    display.resize(120, 40);
    PaintCounter paints(&display);
    korvel::testing::showAndSettle(display);
    paints.settle();

    display.setText(QStringLiteral("000,0"));
    EXPECT_EQ(paints.settle(), 0);
    display.setLitColour(SevenSegmentDisplay::defaultLitColour);
    EXPECT_EQ(paints.settle(), 0);

    display.setText(QStringLiteral("230,1"));
    EXPECT_GT(paints.settle(), 0);
    display.setLitColour(korvel::colours::red);
    EXPECT_GT(paints.settle(), 0);
}
