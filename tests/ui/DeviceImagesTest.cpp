#include "ui/widgets/DeviceImages.h"

#include <QImage>

#include <gtest/gtest.h>

using korvel::DeviceImages;

namespace
{

struct Coverage {
    int opaque = 0;
    QColor mean;
};

Coverage cover(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    Coverage c;
    double r = 0, g = 0, b = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 255)
                continue;
            ++c.opaque;
            r += qRed(p);
            g += qGreen(p);
            b += qBlue(p);
        }
    }
    if (c.opaque > 0)
        c.mean = QColor(int(r / c.opaque), int(g / c.opaque), int(b / c.opaque));
    return c;
}

} // namespace

TEST(DeviceImages, PicturesExistOnlyForTheThreeModels)
{
    const DeviceImages images;
    const struct {
        int index;
        bool picture;
    } cases[] = {{-1, false}, {0, true}, {1, false}, {2, false},
                 {3, true},   {4, true}, {5, false}, {1000, false}};
    for (const auto &c : cases) {
        EXPECT_EQ(DeviceImages::hasPicture(c.index), c.picture) << c.index;
        for (const int size : {16, 32}) {
            const QPixmap pixmap = images.devicePicture(c.index, size);
            EXPECT_EQ(pixmap.isNull(), !c.picture) << c.index << " at " << size;
            if (c.picture) {
                EXPECT_EQ(pixmap.size(), QSize(size, size)) << c.index;
            }
        }
        EXPECT_EQ(images.deviceIcon(c.index).isNull(), !c.picture) << c.index;
    }
    EXPECT_EQ(images.devicePicture(0).size(), QSize(16, 16));
}

TEST(DeviceImages, ThePicturesFillTheirSquareAndTellTheModelsApartByColour)
{
    const DeviceImages images;
    const int models[] = {0, 3, 4};
    QColor means[3];
    for (int i = 0; i < 3; ++i) {
        for (const int size : {16, 32}) {
            const Coverage c = cover(images.devicePicture(models[i], size));
            EXPECT_GT(c.opaque, size * size / 2) << models[i] << " at " << size;
            if (size == 16)
                means[i] = c.mean;
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            const int distance = qAbs(means[i].red() - means[j].red()) +
                                 qAbs(means[i].green() - means[j].green()) +
                                 qAbs(means[i].blue() - means[j].blue());
            EXPECT_GT(distance, 60) << models[i] << " against " << models[j];
        }
    }
}
