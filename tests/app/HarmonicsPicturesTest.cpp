#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "control/Spectrum.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "ui/ClientWindows.h"
#include "ui/WidgetScreen.h"
#include "ui/widgets/Canvas.h"
#include "ui/widgets/TextSpinBox.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace korvel;

namespace
{
constexpr QRgb darkBlue = qRgb(0, 0, 64);
constexpr QRgb darkRed = qRgb(64, 0, 0);
constexpr QRgb yellow = qRgb(255, 255, 0);
constexpr QRgb lime = qRgb(0, 255, 0);
constexpr QRgb black = qRgb(0, 0, 0);

// The logged-in client, its link and the pictures of the harmonics tab.
class HarmonicsPictures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        client.start();
        screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        click("TFrmGiris.suiButton1");
    }

    WidgetScreen &screen() { return client.windows().screen(); }
    void click(const char *control)
    {
        qobject_cast<QAbstractButton *>(screen().find(QString::fromLatin1(control)))->click();
    }
    const QImage &image(const char *picture)
    {
        auto *canvas = qobject_cast<Canvas *>(screen().find(QString::fromLatin1(picture)));
        EXPECT_NE(canvas, nullptr) << picture;
        return canvas->image();
    }
    // Requests the phase and answers with these 128 samples, as the device sends them.
    void answer(const char *button, const std::array<int, 128> &samples)
    {
        click(button);
        QString text = QStringLiteral("enerjial\x01\x01\x01"
                                      "1$3$128$");
        for (int s : samples)
            text += QString::number(s & 0xFF) + u'$';
        text += QStringLiteral("17$201$\x01\u00F4\u00F4\u00F4");
        link.deliver(cp1254::encode(text));
    }
    // Whether any pixel of the area has this colour.
    static bool anyPixel(const QImage &image, const QRect &area, QRgb colour)
    {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixel(x, y) == colour)
                    return true;
            }
        }
        return false;
    }

    // Made before the windows.
    QApplication &application = test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client{environment, link};
};

// Voltage samples 0, current samples -40: two flat traces, the voltage one in yellow on the dark blue
// half, the current one in green on the dark red half.
std::array<int, 128> flatTraces()
{
    std::array<int, 128> samples{};
    for (size_t i = 64; i < 128; ++i)
        samples[i] = -40;
    return samples;
}
} // namespace

TEST_F(HarmonicsPictures, WaveformHalvesAndTraces)
{
    answer("VrShadowButton5", flatTraces());
    const QImage &wave = image("Image1");
    ASSERT_EQ(wave.size(), QSize(254, 254));
    // The halves split at 127 over the whole height.
    EXPECT_EQ(wave.pixel(0, 0), darkBlue);
    EXPECT_EQ(wave.pixel(126, 253), darkBlue);
    EXPECT_EQ(wave.pixel(127, 0), darkRed);
    EXPECT_EQ(wave.pixel(253, 253), darkRed);
    // Phase 1 draws its lines 128 + n down; the current trace sits at 128 - 40.
    EXPECT_EQ(wave.pixel(60, 128), yellow);
    EXPECT_EQ(wave.pixel(60, 110), darkBlue);
    EXPECT_EQ(wave.pixel(200, 88), lime);
    EXPECT_EQ(wave.pixel(200, 128), darkRed);
    // The line into the first current sample still has the voltage colour.
    EXPECT_EQ(wave.pixel(127, 108), yellow);

    // The other phases draw 110 + n down.
    answer("VrShadowButton6", flatTraces());
    const QImage &wave2 = image("Image2");
    ASSERT_EQ(wave2.size(), QSize(254, 252));
    EXPECT_EQ(wave2.pixel(60, 110), yellow);
    EXPECT_EQ(wave2.pixel(60, 128), darkBlue);
    EXPECT_EQ(wave2.pixel(200, 70), lime);
    EXPECT_EQ(wave2.pixel(126, 251), darkBlue);
    EXPECT_EQ(wave2.pixel(127, 251), darkRed);
}

TEST_F(HarmonicsPictures, SpectrumBarsTitleAndLabel)
{
    // Voltage 100·sin: a fundamental bar far taller than the picture. Current 20·sin + 10·sin 3x:
    // bars of about 100 and 50 pixels on the orders 1 and 3.
    std::array<int, 128> samples{};
    std::array<double, 64> current{};
    for (int i = 0; i < 64; ++i) {
        const double a = 2 * std::numbers::pi * i / 64;
        samples[size_t(i)] = int(std::lround(100 * std::sin(a)));
        samples[size_t(64 + i)] = int(std::lround(20 * std::sin(a) + 10 * std::sin(3 * a)));
        current[size_t(i)] = samples[size_t(64 + i)];
    }
    answer("VrShadowButton6", samples);

    const QImage &voltage = image("Image6");
    ASSERT_EQ(voltage.size(), QSize(254, 171));
    // Bar of order 1 from x 5 to 9, cut at the top; the gaps on either side stay black.
    EXPECT_EQ(voltage.pixel(5, 170), yellow);
    EXPECT_EQ(voltage.pixel(9, 0), yellow);
    EXPECT_EQ(voltage.pixel(4, 170), black);
    EXPECT_EQ(voltage.pixel(10, 170), black);
    // Order 2 has no bar.
    EXPECT_EQ(voltage.pixel(14, 170), black);
    EXPECT_TRUE(anyPixel(voltage, QRect(20, 10, 120, 20), qRgb(255, 0, 0))) << "red title";
    EXPECT_TRUE(anyPixel(voltage, QRect(204, 2, 50, 20), qRgb(0, 128, 0))) << "green label";

    const QImage &currentImage = image("Image7");
    const Spectrum::Magnitudes h = Spectrum::magnitudes(current);
    for (int order : {1, 3}) {
        const int bar = Spectrum::barHeight(h[size_t(order - 1)], h[0]);
        ASSERT_GT(bar, 20);
        ASSERT_LT(bar, 150);
        const int x = 7 * (order - 1) + 7;
        EXPECT_EQ(currentImage.pixel(x, 171 - bar), yellow) << "order " << order;
        EXPECT_EQ(currentImage.pixel(x, 170 - bar), black) << "order " << order;
    }
    EXPECT_EQ(screen().caption(QStringLiteral("Image7")), QStringLiteral("I2 için H1: 020.07"));

    // Phase 1 writes no label.
    answer("VrShadowButton5", samples);
    EXPECT_FALSE(anyPixel(image("Image4"), QRect(204, 2, 50, 20), qRgb(0, 128, 0)));
}

// The arrows step through the odd orders from 1 to 31 and stop at the ends; each step shows its order.
TEST_F(HarmonicsPictures, SelectorArrowsStepOddOrders)
{
    std::array<int, 128> samples{};
    for (int i = 0; i < 64; ++i)
        samples[size_t(i)] = int(std::lround(100 * std::sin(2 * std::numbers::pi * 3 * i / 64)));
    answer("VrShadowButton5", samples);
    auto *selector = qobject_cast<TextSpinBox *>(screen().find(QStringLiteral("SpinEdit2")));
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->text(), QStringLiteral("1"));
    selector->stepBy(1);
    EXPECT_EQ(selector->text(), QStringLiteral("3"));
    EXPECT_GT(screen().caption(QStringLiteral("EditH22")).toDouble(), 99.0);
    selector->stepBy(-1);
    selector->stepBy(-1);
    EXPECT_EQ(selector->text(), QStringLiteral("1"));
    EXPECT_LT(screen().caption(QStringLiteral("EditH22")).toDouble(), 1.0);
    selector->stepBy(20);
    EXPECT_EQ(selector->text(), QStringLiteral("31"));
}
