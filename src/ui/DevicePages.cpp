#include "ui/DevicePages.h"

#include "ui/CapacitorPage.h"
#include "ui/ConsumptionPage.h"
#include "ui/FormBuilder.h"
#include "ui/InstrumentPanel.h"
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
using form::dateRange;

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
            form::check(relays, QStringLiteral("role%1").arg(i), QStringLiteral("Röle %1").arg(i)));
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
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    const Command requests[] = {{"VrShadowButton5", "Faz1 Harmonik İste"},
                                {"VrShadowButton6", "Faz2 Harmonik İste"},
                                {"VrShadowButton7", "Faz3 Harmonik İste"}};
    for (int phase = 0; phase < 3; ++phase) {
        QGroupBox *box = form::group(w, QStringLiteral("Faz%1").arg(phase + 1));
        auto *row = new QHBoxLayout(box);
        row->addWidget(new QLabel(QStringLiteral("V%1").arg(phase + 1), box));
        form::addButtons(box, row, {requests[phase]});
        row->addWidget(new QLabel(QStringLiteral("I%1").arg(phase + 1), box));
        row->addStretch(1);
        layout->addWidget(box);
    }
    layout->addStretch(1);
    return w;
}

QWidget *capacitors(QWidget *parent)
{
    return new CapacitorPage(parent);
}

QWidget *settings(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    layout->addWidget(commandGroup(w, text("İlk kVA Değerleri"), {{"Button17", "Set"}, {"Button13", "Set"}}));
    layout->addWidget(commandGroup(w, text("Gerilim ve Akım Trafo Oranları"), {{"Button9", "Gönder"}}));
    layout->addWidget(
        commandGroup(w, text("Kondansatör Devreye Alma ve Çıkarma Süreleri"), {{"Button10", "Gönder"}}));
    layout->addWidget(commandGroup(w, text("Bank Adetleri ve Modlar"), {{"Button11", "Gönder"}}));
    layout->addWidget(
        commandGroup(w, text("Cos φ Sınırları"),
                     {{"Button12", "Set"}, {"Button14", "Set"}, {"Button15", "Set"}, {"Button16", "Set"}}));
    layout->addWidget(commandGroup(w, text("Kondansatör Anahtarlama Modu"), {{"konmodgonder", "Gonder"}}));
    layout->addWidget(commandGroup(w, text("Enerji değerleri Resetleme"), {{"btnreset", "Reset"}}));
    layout->addWidget(commandGroup(w, text("Sabit Değerler"), {{"sabitoku", "Değerleri Oku"}}));
    layout->addStretch(1);
    return w;
}

QWidget *meterReading(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    QGroupBox *device = form::group(w, text("Sayaç"));
    auto *grid = new QGridLayout(device);
    addField(grid, device, text("Seri No"), form::edit(device, QStringLiteral("Edit5"), QString()));
    addField(grid, device, text("Adres"), form::edit(device, QStringLiteral("Edit3"), QString()));
    layout->addWidget(device);
    layout->addWidget(commandGroup(w, text("Okuma"),
                                   {{"VrShadowButton11", "Sayaç Oku"}, {"VrShadowButton13", "Tedaş Okuma"}}));
    layout->addWidget(dateRange(w, "Tarih Arası", "dtsycilktarih", "dtsycsontarih",
                                {"VrShadowButton12", "Tarih Arası Oranları Hesapla"}));
    layout->addStretch(1);
    return w;
}

QWidget *naturalGas(QWidget *parent)
{
    return new QWidget(parent);
}

QWidget *meterDetail(QWidget *parent)
{
    QVBoxLayout *layout;
    QWidget *w = page(parent, &layout);
    layout->addWidget(commandGroup(w, text("Okuma"), {{"VrShadowButton15", "Sayaç Oku"}}));
    layout->addStretch(1);
    return w;
}

} // namespace korvel::pages
