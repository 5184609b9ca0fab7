#include "trends/TrendScale.h"
#include "trends/TrendPainter.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace korvel::trends;
using Column = korvel::history::HistoryReader::Column;

namespace
{
const QDateTime T0(QDate(2026, 1, 15), QTime(10, 7, 13));
const QLocale Turkish(QLocale::Turkish, QLocale::Turkey);

QGuiApplication &app()
{
    static int argc = 1;
    static char name[] = "trends_tests";
    static char *argv[] = {name, nullptr};
    static auto *instance = new QGuiApplication(argc, argv);
    return *instance;
}

// One value every 5 s from T0, none between `holeFrom` and `holeTo` seconds, a spike at `spikeAt`.
std::vector<Column> fiveSecondColumns(int seconds, int holeFrom, int holeTo, int spikeAt)
{
    std::vector<Column> columns;
    for (int s = 0, i = 0; s < seconds; s += 5, ++i) {
        if (s >= holeFrom && s < holeTo)
            continue;
        const double v = s == spikeAt ? 400.0 : 230.0;
        const qint64 t = T0.addSecs(s).toMSecsSinceEpoch();
        columns.push_back({i, t, t, v, v});
    }
    return columns;
}
} // namespace

// Ticks stand at round local times, far enough apart for their labels, in the user's formats; a new
// day is named by its date.
TEST(TrendScaleTest, TimeTicksAreRoundAndWrittenInTheLocaleFormat)
{
    struct Case {
        qint64 spanSeconds;
        const char *first;
        const char *second;
    };
    const Case cases[] = {
        {45, "10:07:15", "10:07:20"},                 // seconds are written where the step is seconds
        {15 * 60, "10:08", "10:10"},                  // two-minute steps
        {24 * 3600, "12:00", "15:00"},                // three-hour steps
        {30 * 24 * 3600, "16.01.2026", "23.01.2026"}, // weeks, from a midnight
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.spanSeconds);
        const qint64 from = T0.toMSecsSinceEpoch(), to = T0.addSecs(c.spanSeconds).toMSecsSinceEpoch();
        const auto ticks = timeTicks(from, to, 1200, Turkish);
        ASSERT_GE(ticks.size(), 3u);
        EXPECT_EQ(ticks[0].label.toStdString(), c.first);
        EXPECT_EQ(ticks[1].label.toStdString(), c.second);
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_GE(ticks[i].timeMs, from);
            EXPECT_LE(ticks[i].timeMs, to);
            if (i > 0) {
                EXPECT_GE(double(ticks[i].timeMs - ticks[i - 1].timeMs) * 1200 / double(to - from), 110.0);
            }
        }
    }
    const auto day = timeTicks(T0.toMSecsSinceEpoch(), T0.addDays(1).toMSecsSinceEpoch(), 1200, Turkish);
    EXPECT_TRUE(std::any_of(day.begin(), day.end(), [](const TimeTick &t) {
        return t.label == QStringLiteral("16.01.2026");
    })) << "midnight is labelled with its date";
    EXPECT_TRUE(timeTicks(10, 10, 1200, Turkish).empty());
}

TEST(TrendScaleTest, ValueAxesAreRoundAndOnePerUnit)
{
    struct Case {
        double min, max, low, high, step;
    };
    const Case cases[] = {
        {228.3, 241.7, 225, 245, 5},
        {0.93, 0.99, 0.92, 1.0, 0.02},
        {230, 230, 227, 233, 1}, // a flat line gets an axis around it
        {-5, 12, -5, 15, 5},
    };
    for (const Case &c : cases) {
        const ValueAxis axis = niceAxis(c.min, c.max);
        EXPECT_NEAR(axis.low, c.low, 1e-9) << c.min << ".." << c.max;
        EXPECT_NEAR(axis.high, c.high, 1e-9) << c.min << ".." << c.max;
        EXPECT_NEAR(axis.step, c.step, 1e-12) << c.min << ".." << c.max;
    }
    const std::pair<const char *, const char *> keys[] = {
        {"V1 (V)", "V"},     {"V12 (V)", "V"},   {"Q2 (kVAr)", "kVAr"}, {"f (Hz)", "Hz"},
        {"cos φ2", "cos φ"}, {"cos φ", "cos φ"}, {"PF3", "PF"},         {"ΣW", "ΣW"},
    };
    for (const auto &[name, key] : keys)
        EXPECT_EQ(axisKey(QString::fromUtf8(name)), QString::fromUtf8(key)) << name;
}

// A hole of ten minutes in data that comes every 5 s is a gap; the cursor reads nothing inside it and
// the nearest value at its edge.
TEST(TrendScaleTest, GapsAndTheCursorReadOut)
{
    const auto columns = fiveSecondColumns(3600, 1200, 1800, 600);
    const qint64 gap = gapThreshold(columns, 1000);
    EXPECT_GT(gap, 5000);
    EXPECT_LT(gap, 600'000);
    const auto at = [&](int seconds, qint64 within) {
        return columnAt(columns, T0.addSecs(seconds).toMSecsSinceEpoch(), within);
    };
    ASSERT_TRUE(at(600, gap / 2));
    EXPECT_EQ(at(600, gap / 2)->max, 400.0);
    EXPECT_FALSE(at(1500, gap / 2)) << "inside the hole";
    ASSERT_TRUE(at(1197, gap / 2));
    EXPECT_EQ(at(1197, gap / 2)->firstMs, T0.addSecs(1195).toMSecsSinceEpoch());
    ASSERT_TRUE(at(1802, gap / 2));
    EXPECT_EQ(at(1802, gap / 2)->firstMs, T0.addSecs(1800).toMSecsSinceEpoch());

    EXPECT_EQ(TrendPainter::valueText({0, 0, 0, 230.5, 230.5}, QStringLiteral("V1 (V)"), Turkish),
              QStringLiteral("230,50 V"));
    EXPECT_EQ(TrendPainter::valueText({0, 0, 0, 0.91, 0.97}, QStringLiteral("cos φ1"), Turkish),
              QStringLiteral("0,910 … 0,970"));
}

// Drawn: the spike reaches the top of its axis, and no line crosses the hole.
TEST(TrendScaleTest, DrawsSpikesAndLeavesGapsOpen)
{
    app();
    TrendView view;
    view.fromMs = T0.toMSecsSinceEpoch();
    view.toMs = T0.addSecs(3600).toMSecsSinceEpoch();
    view.locale = Turkish;
    view.series.push_back(
        {QStringLiteral("V1 (V)"), QColor(0, 255, 0), fiveSecondColumns(3600, 1200, 1800, 600)});
    QImage image(900, 400, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        TrendPainter::paint(painter, image.size(), view);
    }
    const QRect plot = TrendPainter::plotArea(image.size(), 1);
    const auto lineAt = [&](int x) {
        int top = -1;
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            if (image.pixelColor(x, y) == QColor(0, 255, 0)) {
                top = y;
                break;
            }
        }
        return top;
    };
    const auto xOf = [&](int seconds) { return plot.left() + seconds * plot.width() / 3600; };
    EXPECT_LE(lineAt(xOf(600)), plot.top() + 2) << "the spike is drawn to the top";
    for (int s = 1230; s < 1770; s += 30)
        EXPECT_EQ(lineAt(xOf(s)), -1) << "a line in the hole at " << s << " s";
    EXPECT_GT(lineAt(xOf(300)), plot.top() + plot.height() / 2) << "230 V sits low on a 230..400 V axis";
    EXPECT_GT(lineAt(xOf(2400)), 0);

    // A sample alone between two gaps is a dot that can be seen, not a single pixel.
    std::vector<Column> lone = fiveSecondColumns(3600, 600, 3000, -1);
    const qint64 t = T0.addSecs(1800).toMSecsSinceEpoch();
    lone.insert(lone.begin() + 120, Column{360, t, t, 230.0, 230.0});
    view.series[0].columns = lone;
    {
        QPainter painter(&image);
        TrendPainter::paint(painter, image.size(), view);
    }
    for (int dx : {-1, 0, 1})
        EXPECT_NE(lineAt(xOf(1800) + dx), -1) << dx;
    EXPECT_EQ(lineAt(xOf(1800) + 4), -1);
}
