#include "WidgetTesting.h"
#include "ui/widgets/ScrollingText.h"
#include "ui/widgets/UrlLabel.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using namespace korvel;

// The alarm text moves by itself while shown, on the UI thread's own timer, and rests while hidden.
TEST(ScrollingText, MovesWhileShownAndRestsWhileHidden)
{
    ScrollingText text;
    text.resize(300, 60);
    text.setText(QStringLiteral("310001 serinolu cihazda \rinput durumu değişme alarmı"));
    EXPECT_FALSE(text.isScrolling());
    korvel::testing::showAndSettle(text);
    ASSERT_TRUE(text.isScrolling());
    const int start = text.offset();
    QDeadlineTimer deadline(3000);
    while (text.offset() == start && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_NE(text.offset(), start);
    text.hide();
    EXPECT_FALSE(text.isScrolling());
    EXPECT_EQ(text.text(), QStringLiteral("310001 serinolu cihazda \rinput durumu değişme alarmı"));
}

TEST(UrlLabel, DrawsUnvisitedUntilClickedThenVisited)
{
    UrlLabel link(QStringLiteral("Yeni mesajınız var.Okumak için tıklayın... "));
    link.resize(241, link.heightForWidth(241));
    EXPECT_EQ(link.shownColour(), colours::lime);
    link.setUnvisitedColour(rgb(255, 255, 0));
    EXPECT_EQ(link.shownColour(), rgb(255, 255, 0));
    const auto hasColour = [&link](QRgb wanted) {
        const QImage image = korvel::testing::grab(link);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF))
                    return true;
        return false;
    };
    EXPECT_TRUE(hasColour(qRgb(255, 255, 0)));
    link.click();
    EXPECT_TRUE(link.isVisited());
    // The blink goes on changing the unvisited colour; the visited link stays red.
    link.setUnvisitedColour(colours::lime);
    EXPECT_EQ(link.shownColour(), colours::red);
    EXPECT_TRUE(hasColour(qRgb(255, 0, 0)));
    EXPECT_FALSE(hasColour(qRgb(0, 255, 0)));
    // The caption is too wide for the strip: it takes two lines rather than being cut.
    EXPECT_GT(link.heightForWidth(241), link.sizeHint().height());
}
