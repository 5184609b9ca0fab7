// Draws the two capacitor step pictures that the capacitor view loads from the client's working
// directory: korvel-bitmaps DIR writes DIR/kondaktif.bmp (a step switched in, lit) and
// DIR/kondpasif.bmp (switched out, dark).
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

namespace
{
constexpr int size = 24;

// A capacitor symbol (two plates with their leads) on a round lamp face.
QImage capacitor(bool lit)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(QColor(0xF0, 0xF0, 0xF0));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    QRadialGradient face(centre - QPointF(3, 3), size * 0.6);
    if (lit) {
        face.setColorAt(0, QColor(0xD0, 0xFF, 0xB0));
        face.setColorAt(0.5, QColor(0x30, 0xE0, 0x30));
        face.setColorAt(1, QColor(0x00, 0x80, 0x00));
    } else {
        face.setColorAt(0, QColor(0xB0, 0xB0, 0xB0));
        face.setColorAt(1, QColor(0x50, 0x50, 0x50));
    }
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    p.setBrush(face);
    p.drawEllipse(centre, size / 2.0 - 1, size / 2.0 - 1);

    const QColor ink = lit ? QColor(0x00, 0x30, 0x00) : QColor(0x20, 0x20, 0x20);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
    const double mid = size / 2.0;
    const double gap = 2.5;
    // The leads, then the plates across them.
    p.drawLine(QPointF(3, mid), QPointF(mid - gap, mid));
    p.drawLine(QPointF(mid + gap, mid), QPointF(size - 3, mid));
    p.drawLine(QPointF(mid - gap, mid - 6), QPointF(mid - gap, mid + 6));
    p.drawLine(QPointF(mid + gap, mid - 6), QPointF(mid + gap, mid + 6));
    return image;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvel-bitmaps DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const struct {
        const char *file;
        bool lit;
    } pictures[] = {{"kondaktif.bmp", true}, {"kondpasif.bmp", false}};
    for (const auto &picture : pictures) {
        const QString path = dir.filePath(QString::fromLatin1(picture.file));
        if (!capacitor(picture.lit).save(path, "BMP")) {
            std::fprintf(stderr, "korvel-bitmaps: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
