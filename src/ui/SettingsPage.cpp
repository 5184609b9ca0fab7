#include "ui/SettingsPage.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/TextSpinBox.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// One spin box of a group: its label, its arrows' range and step, its first value, the label of the
// strip that shows what the device holds, and the write button beside it when it has its own.
struct Field {
    const char *name;
    const char *label;
    double minimum, maximum, step;
    int decimals;
    double initial;
    const char *readBack;
    const char *button = nullptr;
    const char *buttonCaption = nullptr;
};

struct SettingsGroup {
    const char *caption;
    std::initializer_list<Field> fields;
    form::Command send = {nullptr, nullptr};
};

// Top to bottom; three-phase stands left of single-phase, except in the first group.
const SettingsGroup groups[] = {
    {"Kondansatörlerin İlk KVA Değerleri ",
     {{"ilkkva1", "İlk kVA Monofaze", 0.1, 10000, 0.1, 3, 1, "LBLILKKVA1", "Button17", "Set"},
      {"ilkkva3", "İlk kVA Trifaze", 0.1, 10000, 0.1, 3, 1, "LBLILKKVA3", "Button13", "Set"}}},
    {"Akım - Gerilim Trafosu Oranı ",
     {{"VC", "VT (Gerilim Trafosu)", 1, 10000, 1, 0, 1, "LBLVT"},
      {"CT", "CT (Akım Trafosu)", 1, 10000, 1, 0, 1, "LBLCT"}},
     {"Button9", "Gönder"}},
    {"Kondansatör Devreye Alma-Çıkma Süreleri ",
     {{"alma2", "Alma Süre Trifaze", 1, 100, 1, 0, 1, "LBLALMASURE2"},
      {"cikma2", "Çıkma Süre Trifaze", 1, 100, 1, 0, 1, "LBLCIKMASURE2"},
      {"Alma1", "Alma Süre Monofaze", 1, 100, 1, 0, 1, "LBLALMASURE1"},
      {"Cikma1", "Çıkma Süre Monofaze", 1, 100, 1, 0, 1, "LBLCIKMASURE1"}},
     {"Button10", "Gönder"}},
    {"Kondansatör Adet Ve Modlar ",
     {{"Bank3", "Bank Adet Trifaze", 0, 24, 1, 0, 4, "LBLBANK2"},
      {"mod3", "Mode Trifaze", 0, 4, 1, 0, 1, "LBLMOD2"},
      {"Bank1", "Bank Adet Monofaze", 0, 24, 1, 0, 4, "LBLBANK1"},
      {"Mod1", "Mode Monofaze", 0, 4, 1, 0, 1, "LBLMOD1"}},
     {"Button11", "Gönder"}},
    {"Cos    İndüktif-Kapasitif Ayarları ",
     {{"cosmin3", "Cos    Reaktif Trifaze", 0.95, 0.999, 0.001, 3, 0.999, "LBLCOSMIN3", "Button15", "Set"},
      {"cosmax3", "Cos    Kapasitif Trifaze", 0.96, 0.999, 0.001, 3, 0.999, "LBLCOSMAX3", "Button16", "Set"},
      {"cosmin1", "Cos    Reaktif Monofaze", 0.95, 0.999, 0.001, 3, 0.999, "LBLCOSMIN1", "Button12", "Set"},
      {"cosmax1", "Cos    Kapasitif Monofaze", 0.96, 0.999, 0.001, 3, 0.999, "LBLCOSMAX1", "Button14",
       "Set"}}},
};

// A caption with a Greek φ drawn into the gap after "Cos", where the caption has one.
QLabel *fieldLabel(QWidget *owner, const QString &caption)
{
    auto *label = new QLabel(caption, owner);
    const QString cos = QStringLiteral("Cos ");
    if (caption.startsWith(QStringLiteral("Cos    "))) {
        auto *phi = new QLabel(QStringLiteral("φ"), label);
        phi->move(label->fontMetrics().horizontalAdvance(cos), 0);
        phi->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    return label;
}

// A read-back label of a strip: "1" until the first pass draws it.
QLabel *readBackLabel(QWidget *owner, const QString &name)
{
    QLabel *label = form::label(owner, name, QStringLiteral("1"));
    // A dark readout, so that the mode labels' green and red read well; colours go through the palette,
    // which the view logic sets.
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(0x10, 0x10, 0x10));
    palette.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setContentsMargins(4, 1, 4, 1);
    label->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("-0000.000")) + 10);
    return label;
}

TextSpinBox *spinBox(QWidget *owner, const Field &f)
{
    auto *spin = new TextSpinBox(owner);
    spin->setObjectName(text(f.name));
    spin->setRange(f.minimum, f.maximum);
    spin->setSingleStep(f.step);
    spin->setDecimals(f.decimals);
    spin->setValue(f.initial);
    spin->setFixedWidth(96);
    return spin;
}

// Row 0 the labels, row 1 the spin boxes with their buttons, row 2 the strip "Okunan Değerler"; each
// read-back label stands under the spin box it belongs to.
QGroupBox *settingsGroup(QWidget *owner, const SettingsGroup &g)
{
    QGroupBox *box = form::group(owner, text(g.caption));
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(text("Okunan Değerler"), box), 2, 0);
    int column = 1;
    for (const Field &f : g.fields) {
        grid->addWidget(fieldLabel(box, text(f.label)), 0, column, 1, f.button ? 2 : 1);
        grid->addWidget(spinBox(box, f), 1, column);
        grid->addWidget(readBackLabel(box, text(f.readBack)), 2, column);
        ++column;
        if (f.button)
            grid->addWidget(form::button(box, text(f.button), text(f.buttonCaption)), 1, column++);
        grid->setColumnMinimumWidth(column++, 12);
    }
    if (g.send.name)
        grid->addWidget(form::button(box, text(g.send.name), text(g.send.caption)), 1, column++);
    grid->setColumnStretch(column, 1);
    return box;
}

// The capacitor switching mode: two choices, neither chosen at start, and what the device holds.
QGroupBox *switchingModeGroup(QWidget *owner)
{
    QGroupBox *box = form::group(owner, text("Kondansatörlerin Devreye Alınması"));
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setVerticalSpacing(3);
    auto *automatic = new QRadioButton(text("Otomatik Mod (Fabrika Ayarı)"), box);
    automatic->setObjectName(QStringLiteral("Radiooto"));
    auto *manual = new QRadioButton(text("Manuel Mod (Özel Durumlar)"), box);
    manual->setObjectName(QStringLiteral("RadioManual"));
    grid->addWidget(automatic, 1, 1);
    grid->addWidget(manual, 1, 2);
    grid->addWidget(form::button(box, QStringLiteral("konmodgonder"), QStringLiteral("Gonder")), 1, 3);
    grid->addWidget(new QLabel(text("Okunan Değerler"), box), 2, 0);
    grid->addWidget(readBackLabel(box, QStringLiteral("lbloto")), 2, 1);
    grid->addWidget(readBackLabel(box, QStringLiteral("lblmanual")), 2, 2);
    grid->setColumnStretch(4, 1);
    return box;
}
} // namespace

SettingsPage::SettingsPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    QGroupBox *block = form::group(this, text("Sabit Değerler"));
    auto *column = new QVBoxLayout(block);
    column->setSpacing(4);
    for (const SettingsGroup &g : groups)
        column->addWidget(settingsGroup(block, g));
    column->addWidget(switchingModeGroup(block));

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(form::button(block, QStringLiteral("sabitoku"), text("Değerleri Oku")));
    QGroupBox *reset = form::group(block, text("Enerji değerleri Resetleme"));
    auto *resetRow = new QHBoxLayout(reset);
    resetRow->setContentsMargins(8, 4, 8, 4);
    resetRow->addWidget(form::button(reset, QStringLiteral("btnreset"), QStringLiteral("Reset")));
    resetRow->addStretch(1);
    bottom->addWidget(reset);
    bottom->addStretch(1);
    column->addLayout(bottom);
    layout->addWidget(block);
    layout->addStretch(1);
}

} // namespace korvel
