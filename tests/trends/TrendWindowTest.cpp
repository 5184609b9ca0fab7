#include "ui/TrendWindow.h"
#include "TestApplication.h"
#include "history/HistoryStore.h"
#include "history/Quantities.h"
#include "ui/TrendChart.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
const QDateTime Now(QDate(2026, 1, 15), QTime(12, 0, 0));
const QColor Lime(0, 255, 0), Yellow(255, 255, 0);

// Two hours of V1 and I1 of the device 12002 every 5 s up to `until`, and a little of 12001.
void record(const QString &file, const QDateTime &from, const QDateTime &until)
{
    history::HistoryStore store(file);
    for (QDateTime t = from; t <= until; t = t.addSecs(5)) {
        std::vector<double> v(history::quantities().size(), std::nan(""));
        v[0] = 230.0 + (t.time().second() % 3);
        v[6] = 12.5;
        store.addSample({t.toMSecsSinceEpoch(), QStringLiteral("12002"), v});
    }
    std::vector<double> other(history::quantities().size(), std::nan(""));
    other[0] = 231.0;
    store.addSample({from.toMSecsSinceEpoch(), QStringLiteral("12001"), other});
    store.flush(until);
}

int pixelsOf(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    }
    return n;
}

class TrendWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::application("trend_window_tests");
        file = dir.filePath(QStringLiteral("history.sqlite"));
        record(file, Now.addSecs(-7200), Now);
        window = std::make_unique<TrendWindow>(
            TrendSource{file, [this] { return now; }, [] { return QStringLiteral("12002"); },
                        [this] { return refreshing; }, [this](const QString &text) { errors << text; }});
        window->show();
        device = window->findChild<QComboBox *>(QStringLiteral("CmbGrafikCihaz"));
        range = window->findChild<QComboBox *>(QStringLiteral("CmbGrafikAralik"));
        list = window->findChild<QListWidget *>(QStringLiteral("LstGrafikDeger"));
        ASSERT_TRUE(device && range && list);
        range->setCurrentText(QStringLiteral("Son 1 saat"));
        list->item(6)->setCheckState(Qt::Checked); // I1 beside V1
    }
    QTemporaryDir dir;
    QString file;
    QDateTime now = Now;
    bool refreshing = false;
    QStringList errors;
    std::unique_ptr<TrendWindow> window;
    QComboBox *device = nullptr;
    QComboBox *range = nullptr;
    QListWidget *list = nullptr;
};
} // namespace

TEST_F(TrendWindowTest, DrawsTheChosenQuantitiesOfTheActiveDevice)
{
    ASSERT_EQ(device->count(), 2);
    EXPECT_EQ(device->itemText(0), QStringLiteral("12002")) << "the active device first";
    const trends::TrendView &view = window->chart()->view();
    EXPECT_EQ(view.toMs - view.fromMs, 3'600'000);
    ASSERT_EQ(view.series.size(), 2u);
    EXPECT_EQ(view.series[1].name, QStringLiteral("I1 (A)"));
    EXPECT_GT(view.series[0].columns.size(), 500u);
    const QImage shot = window->chart()->grab().toImage();
    EXPECT_GT(pixelsOf(shot, Lime), 300) << "V1 drawn";
    EXPECT_GT(pixelsOf(shot, Yellow), 300) << "I1 drawn";

    // Nine lines cannot be told apart: the ninth is refused.
    for (int i = 1; i < list->count(); ++i)
        list->item(i)->setCheckState(Qt::Checked);
    EXPECT_EQ(window->chart()->view().series.size(), std::size_t(TrendWindow::MaxQuantities));

    // A first date after the last is refused when the user applies the dates, not while stepping
    // through a change, and the chart stays.
    range->setCurrentText(QStringLiteral("Tarih aralığı"));
    const qint64 before = window->chart()->view().fromMs;
    window->findChild<QDateEdit *>(QStringLiteral("DtpGrafikIlk"))->setDate(Now.date().addDays(3));
    EXPECT_EQ(errors, QStringList());
    window->applyDates();
    EXPECT_EQ(errors, QStringList{QStringLiteral("İlk tarih son tarihten sonra olamaz.")});
    EXPECT_EQ(window->chart()->view().fromMs, before);
}

TEST_F(TrendWindowTest, ExportsWhatItShowsAsCsvAndPng)
{
    const QString csv = dir.filePath(QStringLiteral("grafik.csv"));
    ASSERT_EQ(window->saveCsv(csv), QString());
    QFile in(csv);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = in.readAll().split('\n');
    ASSERT_EQ(lines.size(), 1 + 721 + 1) << "a header, an hour of rows at 5 s, the final line end";
    EXPECT_EQ(lines[0], QByteArray("\xEF\xBB\xBFZaman,Cihaz,V1 (V),I1 (A)\r"));
    EXPECT_EQ(lines[1], Now.addSecs(-3600).toString(Qt::ISODate).toUtf8() + ",12002,230,12.5\r");

    const QString png = dir.filePath(QStringLiteral("grafik.png"));
    ASSERT_EQ(window->savePng(png), QString());
    const QImage picture(png);
    EXPECT_EQ(picture.width(), window->chart()->width());
    EXPECT_GT(picture.height(), window->chart()->height()) << "a title line above the chart";
    EXPECT_GT(pixelsOf(picture, Lime), 300);
    EXPECT_EQ(window->exportTitle(), QStringLiteral("12002 — V1 (V), I1 (A) — %1 – %2")
                                         .arg(QLocale().toString(Now.addSecs(-3600), QLocale::ShortFormat),
                                              QLocale().toString(Now, QLocale::ShortFormat)));
    EXPECT_EQ(window->exportName(QStringLiteral("csv")), QStringLiteral("12002_V1-I1_2026-01-15.csv"));
    // Kept in the build tree, to be looked at.
    QFile::remove(QStringLiteral("trend-export.png"));
    QFile::copy(png, QStringLiteral("trend-export.png"));
}

// The window opens on the smallest range that holds the device's data: two hours need a day.
TEST_F(TrendWindowTest, OpensOnTheRangeThatHoldsTheData)
{
    TrendWindow fresh(TrendSource{file, [this] { return now; }, [] { return QStringLiteral("12002"); },
                                  [] { return false; }, [](const QString &) {}});
    EXPECT_EQ(fresh.findChild<QComboBox *>(QStringLiteral("CmbGrafikAralik"))->currentText(),
              QStringLiteral("Son 1 gün"));
    now = Now.addDays(40);
    fresh.reload();
    EXPECT_EQ(fresh.findChild<QComboBox *>(QStringLiteral("CmbGrafikAralik"))->currentText(),
              QStringLiteral("Son 1 gün"))
        << "no data in the last 30 days: the range stays";
}

// A "Son ..." range of the active device moves with the new values while the client refreshes; it stays
// when the refresh is off or the user has zoomed in.
TEST_F(TrendWindowTest, FollowsTheNewValuesWhileTheClientRefreshes)
{
    window->resize(1000, 520); // the user resizing the window does not stop the chart following
    const qint64 shown = window->chart()->view().toMs;
    now = Now.addSecs(60);
    record(file, Now.addSecs(5), now);
    window->followLive();
    EXPECT_EQ(window->chart()->view().toMs, shown) << "refresh off";
    refreshing = true;
    window->followLive();
    EXPECT_EQ(window->chart()->view().toMs, now.toMSecsSinceEpoch());
    EXPECT_EQ(window->chart()->view().series[0].columns.back().lastMs, now.toMSecsSinceEpoch());
    Q_EMIT window->chart()->spanChanged(Now.addSecs(-600).toMSecsSinceEpoch(), Now.toMSecsSinceEpoch());
    now = now.addSecs(60);
    window->followLive();
    EXPECT_EQ(window->chart()->view().toMs, Now.toMSecsSinceEpoch()) << "a zoomed chart stays where it is";
}
