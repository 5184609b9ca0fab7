// Renders each widget offscreen into PNG files, to look at them as a user would:
//   korvel-widget-gallery [DIRECTORY]   (default /tmp; files korvel-widgets-*.png)
#include "ui/widgets/DeviceImages.h"
#include "ui/widgets/GroupBar.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/NeedleMeter.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <cstdio>

using namespace korvel;

namespace
{

QString directory;

bool save(QWidget &widget, const char *name)
{
    widget.ensurePolished();
    widget.adjustSize();
    const QString file =
        QDir(directory).filePath(QStringLiteral("korvel-widgets-%1.png").arg(QLatin1String(name)));
    const bool ok = widget.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

QWidget *blackPanel(QWidget *parent = nullptr)
{
    auto *panel = new QWidget(parent);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(220, 220, 220));
    panel->setPalette(pal);
    return panel;
}

QLabel *lime(const QString &text)
{
    auto *label = new QLabel(text);
    QFont f = label->font();
    f.setPixelSize(26);
    f.setBold(true);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 255, 0));
    label->setPalette(pal);
    return label;
}

bool segments()
{
    QWidget *panel = blackPanel();
    auto *grid = new QGridLayout(panel);
    const struct {
        const char16_t *row;
        const char16_t *text;
        Colour colour;
    } rows[] = {
        {u"L1", u"230,4", SevenSegmentDisplay::defaultLitColour},
        {u"L2", u"-001,0", SevenSegmentDisplay::defaultLitColour},
        {u"L3", u"1,0005", SevenSegmentDisplay::defaultLitColour},
        {u"A", u"05.270", rgb(255, 40, 30)},
        {u"Hz", u"50.0", rgb(255, 190, 0)},
        {u"Saat", u"12:34:56", SevenSegmentDisplay::defaultLitColour},
        {u"—", u"-", SevenSegmentDisplay::defaultLitColour},
    };
    int r = 0;
    for (const auto &row : rows) {
        auto *caption = new QLabel(QString::fromUtf16(row.row));
        grid->addWidget(caption, r, 0);
        auto *display = new SevenSegmentDisplay(QString::fromUtf16(row.text));
        display->setLitColour(row.colour);
        display->setGhostDigits(6);
        display->setFixedSize(170, 38);
        grid->addWidget(display, r, 1);
        ++r;
    }
    auto *small = new SevenSegmentDisplay(QStringLiteral("0,000"));
    small->setFixedSize(90, 22);
    grid->addWidget(new QLabel(QStringLiteral("small")), r, 0);
    grid->addWidget(small, r, 1);
    return save(*panel, "segments");
}

bool meter()
{
    QWidget *panel = blackPanel();
    auto *grid = new QGridLayout(panel);
    const int positions[] = {-10, 0, 35, -50};
    int column = 0;
    for (const int position : positions) {
        auto *m = new NeedleMeter;
        m->setFixedSize(column == 3 ? QSize(140, 96) : QSize(260, 170));
        m->setPosition(position);
        grid->addWidget(m, column / 2, column % 2);
        ++column;
    }
    return save(*panel, "meter");
}

bool lamps()
{
    QWidget *panel = blackPanel();
    auto *grid = new QGridLayout(panel);
    const Colour states[] = {colours::red,   colours::green, colours::green, colours::red,
                             colours::green, colours::green, colours::green, colours::green};
    for (int i = 0; i < 8; ++i) {
        auto *lamp = new Lamp;
        lamp->setBrushColour(states[i]);
        lamp->setFixedSize(22, 22);
        grid->addWidget(lamp, (i / 4) * 2, i % 4, Qt::AlignHCenter);
        grid->addWidget(new QLabel(QStringLiteral("İnput %1").arg(i + 1)), (i / 4) * 2 + 1, i % 4,
                        Qt::AlignHCenter);
    }
    auto *oblong = new Lamp;
    oblong->setShape(Lamp::Shape::RoundedRect);
    oblong->setBrushColour(rgb(255, 200, 0));
    oblong->setFixedSize(40, 18);
    grid->addWidget(oblong, 4, 0);
    auto *neutral = new Lamp;
    neutral->setFixedSize(14, 14);
    grid->addWidget(neutral, 4, 1);
    auto *big = new Lamp;
    big->setBrushColour(colours::red);
    big->setFixedSize(48, 48);
    grid->addWidget(big, 4, 2);
    return save(*panel, "lamps");
}

bool images()
{
    const DeviceImages list;
    const int models[] = {0, 3, 4};
    QImage sheet(3 * 150 + 10, 200, QImage::Format_ARGB32);
    sheet.fill(QColor(255, 251, 240));
    QPainter p(&sheet);
    for (int i = 0; i < 3; ++i) {
        const int x = 10 + i * 150;
        p.drawPixmap(x, 10, list.devicePicture(models[i], 16));
        p.drawPixmap(x + 30, 10, list.devicePicture(models[i], 32));
        // Enlarged without smoothing to see every pixel.
        p.drawPixmap(QRect(x, 56, 128, 128), list.devicePicture(models[i], 32));
        p.drawPixmap(QRect(x + 80, 10, 48, 48), list.devicePicture(models[i], 16));
    }
    p.end();
    const QString file = QDir(directory).filePath(QStringLiteral("korvel-widgets-images.png"));
    const bool ok = sheet.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

bool groupBar()
{
    GroupBar bar;
    bar.resize(241, 330);
    const int a = bar.addGroup(QStringLiteral("MERKEZ TESİS"));
    const int b = bar.addGroup(QStringLiteral("DEPO"));
    const int c = bar.addGroup(QStringLiteral("ŞUBE"));
    bar.insertItem(a, 0, QStringLiteral("Sayaç Okuyucu No: 53000001"), 4);
    bar.insertItem(a, 0, QStringLiteral("Aşırı Akım Rölesi No: 42000007"), 3);
    bar.insertItem(a, 0, QStringLiteral("Ana Pano Analizör No: 31000012"), 0);
    bar.insertItem(b, 0, QStringLiteral("Reaktif Röle No: 31000044"), 0);
    bar.insertItem(b, 0, QStringLiteral("Bilinmeyen No: 99"), -1);
    bar.insertItem(c, 0, QStringLiteral("Şube Sayaç No: 53000002"), 4);
    bar.setItemColour(a, 0, colours::red);
    bar.setItemColour(a, 1, colours::black);
    bar.setItemColour(a, 2, colours::black);
    bar.setGroupExpanded(c, false);
    bar.show();
    QCoreApplication::processEvents();
    const QString file = QDir(directory).filePath(QStringLiteral("korvel-widgets-groupbar.png"));
    const bool ok = bar.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

// The value corner of the instantaneous view: meter, cos φ readings, lime labels, lamps.
bool panel()
{
    QWidget *panel = blackPanel();
    auto *grid = new QGridLayout(panel);
    auto *m = new NeedleMeter;
    m->setFixedSize(240, 150);
    m->setPosition(-10);
    grid->addWidget(m, 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Cos φ :")), 1, 0);
    grid->addWidget(lime(QStringLiteral("-0,900")), 1, 1, 1, 3);
    for (int i = 0; i < 3; ++i) {
        auto *d = new SevenSegmentDisplay(QStringLiteral("0,9%1%2").arg(i + 1).arg(7 - i));
        d->setFixedSize(76, 28);
        grid->addWidget(d, 2, i + 1);
    }
    grid->addWidget(new QLabel(QStringLiteral("Frekans:")), 3, 0);
    grid->addWidget(lime(QStringLiteral("50,0")), 3, 1, 1, 3);
    for (int i = 0; i < 8; ++i) {
        auto *lamp = new Lamp;
        lamp->setFixedSize(18, 18);
        lamp->setBrushColour(i == 0 || i == 2 ? colours::red : colours::green);
        grid->addWidget(lamp, 4 + i / 4, i % 4, Qt::AlignHCenter);
    }
    return save(*panel, "panel");
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    directory = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const bool ok = segments() & meter() & lamps() & images() & groupBar() & panel();
    return ok ? 0 : 1;
}
