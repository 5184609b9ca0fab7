#include "ui/DevicePages.h"

#include "ui/CapacitorPage.h"
#include "ui/ConsumptionPage.h"
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
    return new ConsumptionPage(parent);
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
    return new CapacitorPage(parent);
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
