#include "ui/InstrumentPanel.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/NeedleMeter.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// One row of a value group: row label, the display, the unit label (a named control where the view
// changes it) and a symbol before the unit that stays when the unit label is hidden.
struct Row {
    const char *label;
    const char *display;
    const char *unit;
    const char *unitName = "";
    const char *symbol = "";
};

struct ValueGroup {
    const char *caption;
    std::initializer_list<Row> rows;
};

// "S", "D" and "j" are the Symbol font's Σ, Δ and φ.
const ValueGroup valueGroups[] = {
    {"Faz-Nötr Gerilim", {{"L1", "V1", ""}, {"L2", "V2", ""}, {"L3", "V3", ""}}},
    {"Akım", {{"", "akm1", "A"}, {"", "akm2", "A"}, {"", "akm3", "A"}}},
    {"Faz-Faz Gerilim", {{"", "L12", "V", "Lv12"}, {"", "L23", "V", "lv23"}, {"", "L31", "V", "lv31"}}},
    {"    kW                ", {{"L1", "kW1", "kW"}, {"L2", "Kw2", "kW"}, {"L3", "kW3", "kW"}}},
    {"kWn", {{"L1", "kW1n", "kW1n"}, {"L2", "kw2n", "kW2n"}, {"L3", "kw3n", "kw3n"}}},
    {"    kVA              ", {{"L1", "KVA1", "kVA"}, {"L2", "KVA2", "kVA"}, {"L3", "KVA3", "kVA"}}},
    {"Reaktif Enerjiler", {{"L1", "kr1", "kVAr"}, {"L2", "kr2", "kVAr"}, {"L3", "kr3", "kVAr"}}},
    {"     W  Σ", {{"Σ", "EW", "W", "Label76", "Δ"}, {"Σ", "EWP", "WP"}, {"Σ", "EWN", "WN"}}},
    {"    R  Σ", {{"Σ", "ERL", "RL"}, {"Σ", "ERC", "RC"}, {"Σ", "ER", "ΔR"}}},
};

// One style sheet for the whole panel, set where it starts: a sheet of its own on each group box, label
// and relay frame made every one of their widgets match its rules anew, a fifth of the start-up work.
const QString panelStyle = QStringLiteral(
    "#Panel7 { background: #101010; }"
    "QGroupBox { background: black; color: #c0c0c0; border: 1px solid #3a3a3a; border-radius: 4px;"
    " margin-top: 14px; font-weight: bold; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"
    "QLabel { color: #c0c0c0; background: transparent; }"
    "#CosE, #PFE, #Fr { color: lime; }"
    "#CosE[dimmed=\"true\"], #PFE[dimmed=\"true\"], #Fr[dimmed=\"true\"] { color: #008000; }"
    "#Panel30, #Panel56 { background: #1c1c1c; border-radius: 4px; }"
    "#Panel30 QCheckBox, #Panel56 QCheckBox { color: #e0e0e0; }");

// The cell of a display that grows and shrinks with the room the panel gets: from about 17 px type
// (digits of 14 px and more) up to half as large again as its usual size. The display inside keeps a
// fixed size that only a resize of its cell changes: a display whose size may vary asks its panel for a
// new layout on every new reading, once a second.
class DisplayCell final : public QWidget
{
public:
    DisplayCell(QWidget *owner, const QString &name, int digits)
        : QWidget(owner), m_display(form::display(this, name, digits)), m_usual(m_display->size())
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(int(m_usual.width() * 0.72), int(m_usual.height() * 0.72));
        setMaximumSize(int(m_usual.width() * 1.5), int(m_usual.height() * 1.5));
    }

    QSize sizeHint() const override { return m_usual; }

protected:
    void resizeEvent(QResizeEvent *) override { m_display->setFixedSize(size()); }

private:
    SevenSegmentDisplay *m_display;
    QSize m_usual;
};

QWidget *scalingDisplay(QWidget *owner, const QString &name, int digits)
{
    return new DisplayCell(owner, name, digits);
}

QGroupBox *valuePanel(QWidget *owner, const ValueGroup &group)
{
    QGroupBox *box = form::group(owner, text(group.caption));
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(6, 14, 6, 6);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const Row &r : group.rows) {
        grid->addWidget(new QLabel(text(r.label), box), row, 0);
        grid->addWidget(scalingDisplay(box, text(r.display), 7), row, 1);
        QLabel *unit = new QLabel(text(r.unit), box);
        if (*r.unitName) {
            unit->setObjectName(text(r.unitName));
            unit->setFixedSize(unit->fontMetrics().horizontalAdvance(QStringLiteral("kVAr")) + 4,
                               unit->sizeHint().height());
        }
        if (*r.symbol) {
            auto *pair = new QHBoxLayout;
            pair->setSpacing(0);
            pair->addWidget(new QLabel(text(r.symbol), box));
            pair->addWidget(unit);
            pair->addStretch(1);
            grid->addLayout(pair, row, 2);
        } else {
            grid->addWidget(unit, row, 2);
        }
        ++row;
    }
    grid->setColumnStretch(1, 1);
    return box;
}

QLabel *bigLimeLabel(QWidget *owner, const char *name)
{
    QLabel *label = form::label(owner, text(name), QStringLiteral("0,000"));
    QFont font = label->font();
    font.setPointSize(22);
    font.setBold(true);
    label->setFont(font);
    // A fixed size keeps each new reading from relaying out the panel.
    label->setFixedSize(QFontMetrics(font).horizontalAdvance(QStringLiteral("-00,000")) + 8,
                        QFontMetrics(font).height() + 4);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A reading that the views dim with the displays while the link is down.
    label->setProperty("reading", true);
    return label;
}
} // namespace

InstrumentPanel::InstrumentPanel(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *header = new QHBoxLayout;
    QLabel *heading = form::label(this, QStringLiteral("Label2"), QString());
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    header->addWidget(heading, 1);
    // When the values shown arrived: "Son veri: 10:30:00".
    header->addWidget(form::label(this, QStringLiteral("LblSonVeri"), QString()));
    header->addWidget(form::check(this, QStringLiteral("chkyenile"), QStringLiteral("Otomatik yenile")));
    QLineEdit *row = form::edit(this, QStringLiteral("Edit1"), QStringLiteral("1"));
    row->setFixedWidth(48);
    row->setAlignment(Qt::AlignRight);
    header->addWidget(row);
    layout->addLayout(header);

    QFrame *panel = form::panel(this, QStringLiteral("Panel7"));
    panel->setStyleSheet(panelStyle);
    auto *rows = new QVBoxLayout(panel);
    auto *columns = new QHBoxLayout;
    columns->addWidget(buildValueColumn(panel), 3);
    columns->addWidget(buildMeterColumn(panel), 1);
    rows->addLayout(columns, 1);
    // The relays across the whole panel, under the values and the meter.
    rows->addWidget(buildRelayPanels(panel));
    QCheckBox *alarm =
        form::check(panel, QStringLiteral("chkinpuuyari"), text("İnput değerleri değiştiğinde uyarı ver."));
    alarm->hide();
    rows->addWidget(alarm);
    layout->addWidget(panel, 1);
}

QWidget *InstrumentPanel::buildValueColumn(QWidget *owner)
{
    auto *column = new QWidget(owner);
    auto *grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    // Three groups side by side in three rows: the column then fits a laptop's screen with room to spare.
    for (int i = 0; i < int(std::size(valueGroups)); ++i)
        grid->addWidget(valuePanel(column, valueGroups[i]), i / 3, i % 3);
    return column;
}

QWidget *InstrumentPanel::buildRelayPanels(QWidget *owner)
{
    auto *holder = new QWidget(owner);
    auto *row = new QHBoxLayout(holder);
    row->setContentsMargins(0, 0, 0, 0);
    QFrame *two = form::panel(holder, QStringLiteral("Panel30"));
    auto *twoRow = new QHBoxLayout(two);
    twoRow->addWidget(form::toggle(two, QStringLiteral("VrPowerButton1"), text("Röle 1")));
    twoRow->addWidget(form::toggle(two, QStringLiteral("VrPowerButton2"), text("Röle 2")));
    form::addButtons(two, twoRow, {{"VrShadowButton4", "Röleleri Çek"}});
    row->addWidget(two);

    QFrame *eight = form::panel(holder, QStringLiteral("Panel56"));
    auto *eightRow = new QHBoxLayout(eight);
    for (int k = 1; k <= 8; ++k)
        eightRow->addWidget(
            form::toggle(eight, QStringLiteral("c4%1%1").arg(k), QStringLiteral("R%1").arg(k)));
    form::addButtons(eight, eightRow, {{"VrShadowButton10", "Röleleri Çek"}});
    row->addWidget(eight, 1);
    return holder;
}

QWidget *InstrumentPanel::buildMeterColumn(QWidget *owner)
{
    auto *column = new QGroupBox(owner);
    auto *layout = new QVBoxLayout(column);
    QLabel *device = form::label(column, QStringLiteral("Label17"), QString());
    device->setAlignment(Qt::AlignCenter);
    device->setFixedSize(200, device->fontMetrics().height() + 4);
    layout->addWidget(device);
    auto *meter = new NeedleMeter(column);
    meter->setObjectName(QStringLiteral("VrMeter2"));
    meter->setMinimumSize(200, 120);
    meter->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(meter, 1);

    // cos φ and the power factor side by side, each total above its three phases.
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    grid->addWidget(new QLabel(text("Cos φ :"), column), 0, 0);
    grid->addWidget(bigLimeLabel(column, "CosE"), 0, 1);
    grid->addWidget(new QLabel(text("Power F:"), column), 0, 2);
    grid->addWidget(bigLimeLabel(column, "PFE"), 0, 3);
    const char *cosNames[] = {"Cos1", "Cos2", "Cos3"};
    const char *pfNames[] = {"Pf1", "Pf2", "Pf3"};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QStringLiteral("Cos φ%1").arg(i + 1), column), 1 + i, 0);
        grid->addWidget(scalingDisplay(column, text(cosNames[i]), 5), 1 + i, 1);
        grid->addWidget(new QLabel(QStringLiteral("PF %1").arg(i + 1), column), 1 + i, 2);
        grid->addWidget(scalingDisplay(column, text(pfNames[i]), 5), 1 + i, 3);
    }
    grid->addWidget(new QLabel(text("Frekans:"), column), 4, 0);
    grid->addWidget(bigLimeLabel(column, "Fr"), 4, 1);
    layout->addLayout(grid);

    auto *lamps = new QGridLayout;
    const char *lampNames[] = {"Shape9", "Shape2", "Shape3", "Shape4",
                               "Shape5", "Shape6", "Shape7", "Shape8"};
    for (int i = 0; i < 8; ++i) {
        auto *cell = new QVBoxLayout;
        Lamp *lamp = form::lamp(column, text(lampNames[i]));
        lamp->setFixedSize(20, 20);
        cell->addWidget(lamp, 0, Qt::AlignHCenter);
        cell->addWidget(new QLabel(QStringLiteral("İnput %1").arg(i + 1), column), 0, Qt::AlignHCenter);
        lamps->addLayout(cell, i / 4, i % 4);
    }
    layout->addLayout(lamps);
    return column;
}

} // namespace korvel
