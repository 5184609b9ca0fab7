#include "ui/DevicePages.h"

#include "ui/FormBuilder.h"
#include "ui/HarmonicsPage.h"
#include "ui/InstrumentPanel.h"
#include "ui/MeterDetailPage.h"
#include "ui/MeterReadingPage.h"
#include "ui/ReactiveEnergyPanel.h"
#include "ui/SettingsPage.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel::pages
{

using form::Command;

namespace
{
QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// A group box of command buttons, one row.
QGroupBox *commandGroup(QWidget *parent, const QString &caption, std::initializer_list<Command> commands)
{
    QGroupBox *box = form::group(parent, caption);
    auto *row = new QHBoxLayout(box);
    form::addButtons(box, row, commands);
    row->addStretch(1);
    return box;
}

// Labelled fields in a two-column grid: caption, then the control.
void addField(QGridLayout *grid, QWidget *owner, const QString &caption, QWidget *field)
{
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption, owner), row, 0);
    grid->addWidget(field, row, 1);
}

QWidget *page(QWidget *parent, QVBoxLayout **layout)
{
    auto *w = new QWidget(parent);
    *layout = new QVBoxLayout(w);
    return w;
}
} // namespace

QWidget *instantValues(QWidget *parent)
{
    return new InstrumentPanel(parent);
}

QWidget *consumption(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    QGroupBox *device = form::group(w, text("Cihaz"));
    auto *grid = new QGridLayout(device);
    addField(grid, device, text("Seri No"), form::edit(device, QStringLiteral("Edit111"), QString()));
    layout->addWidget(device);

    QGroupBox *meters = form::group(w, text("Enerji Sayaçları"));
    auto *meterGrid = new QGridLayout(meters);
    const struct {
        const char *name;
        const char *caption;
    } counters[] = {
        {"SayacAktif", "Aktif (kWh)"}, {"Sayacind", "İndüktif (kVArh)"}, {"SayacKap", "Kapasitif (kVArh)"}};
    for (const auto &c : counters) {
        SevenSegmentDisplay *d = form::display(meters, text(c.name), 10);
        d->setText(QStringLiteral("0"));
        addField(meterGrid, meters, text(c.caption), d);
    }
    layout->addWidget(meters);
    layout->addWidget(commandGroup(w, text("Tüketim"), {{"VrShadowButton8", "Enerji Değerlerini İste"}}));

    layout->addWidget(new ReactiveEnergyPanel(ReactiveEnergyPanel::consumptionNames, w));
    layout->addStretch(1);
    return w;
}

QWidget *overcurrentRelay(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    QFrame *panel = form::panel(w, QStringLiteral("Panel8"));
    panel->setStyleSheet(QStringLiteral("#Panel8 { background: black; } #Panel8 QLabel { color: silver; }"));
    auto *grid = new QGridLayout(panel);
    const struct {
        const char *name;
        const char *caption;
        const char *initial;
    } displays[] = {{"Saat", "Saat", ""},    {"Trh", "Tarih", ""},    {"akim1", "I1 (A)", ""},
                    {"akim2", "I2 (A)", ""}, {"akim3", "I3 (A)", ""}, {"akimt", "It (A)", ""},
                    {"Sno", "Seri No:", "0"}};
    for (const auto &d : displays) {
        SevenSegmentDisplay *display = form::display(panel, text(d.name), 10);
        display->setText(text(d.initial));
        addField(grid, panel, text(d.caption), display);
    }
    grid->setColumnStretch(2, 1);
    layout->addWidget(panel);
    QGroupBox *relays = form::group(w, text("Röleler"));
    auto *row = new QHBoxLayout(relays);
    for (int i = 1; i <= 3; ++i)
        row->addWidget(
            form::toggle(relays, QStringLiteral("role%1").arg(i), QStringLiteral("Röle %1").arg(i)));
    form::addButtons(relays, row,
                     {{"VrShadowButton1", "Röleleri Çek"},
                      {"VrShadowButton2", "Değerleri Oku"},
                      {"VrShadowButton3", "Sabit Değerleri Yaz"}});
    row->addStretch(1);
    layout->addWidget(relays);
    layout->addStretch(1);
    return w;
}

QWidget *harmonics(QWidget *parent)
{
    return harmonicsPage(parent);
}

QWidget *capacitors(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    auto *groups = new QHBoxLayout;
    const char *captions[] = {"Grup1", "Grup2", "Grup3", "Grup 4"};
    for (int g = 0; g < 4; ++g) {
        QGroupBox *box = form::group(w, text(captions[g]));
        auto *column = new QVBoxLayout(box);
        for (int k = 1; k <= 6; ++k) {
            const QString name =
                g == 0 ? QStringLiteral("C1%1").arg(k) : QStringLiteral("c%1%2").arg(g + 1).arg(k);
            column->addWidget(form::check(box, name, QStringLiteral("C%1").arg(g * 6 + k)));
        }
        groups->addWidget(box);
    }
    layout->addLayout(groups);
    layout->addWidget(commandGroup(
        w, text("Kondansatörler"),
        {{"BitBtn1", "Kondansatörleri Devreye Al-Çıkar"}, {"BitBtn2", "Kondansatör Durumlarını Oku"}}));
    layout->addStretch(1);
    return w;
}

QWidget *settings(QWidget *parent)
{
    return new SettingsPage(parent);
}

QWidget *meterReading(QWidget *parent)
{
    return new MeterReadingPage(parent);
}

QWidget *naturalGas(QWidget *parent)
{
    return new QWidget(parent);
}

QWidget *meterDetail(QWidget *parent)
{
    return new MeterDetailPage(parent);
}

} // namespace korvel::pages
