#include "ui/ConsumptionPage.h"

#include "ui/FormBuilder.h"
#include "ui/ReactiveEnergyPanel.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QFrame>
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

// A display with its label before it and its unit after it.
struct Row {
    const char *label;
    const char *display;
    const char *unit;
};

struct CounterGroup {
    const char *caption;
    Row rows[4];
};

// The counters by kind, three phases and the total ("Σ") each.
const CounterGroup counterGroups[] = {
    {"        kwh ",
     {{"L1", "kWh1", "kWh"}, {"L2", "kwh2", "kWh"}, {"L3", "kwh3", "kWh"}, {"Σ", "Ewh", "kwh"}}},
    {"    kVArLh         ",
     {{"L1", "kVArLh1", "kVArLh"},
      {"L2", "kVArLh2", "kVArLh"},
      {"L3", "kVArLh3", "kVArLh"},
      {"Σ", "Elh", "kVArLh"}}},
    {"     kVArCh         ",
     {{"L1", "kVArCh1", "kVArCh"},
      {"L2", "kVArCh2", "kVArCh"},
      {"L3", "kVArCh3", "kVArCh"},
      {"Σ", "ECh", "kVArCh"}}},
};

// What the meter read last; the meter reading fills them, the consumption request sets them to "0".
const Row meterReadings[] = {
    {"Aktif", "SayacAktif", "kWh"}, {"İnd", "Sayacind", "kVArLh"}, {"Cap", "SayacKap", "kVArCh"}};

const Row ratios[] = {{"İndüktif / Aktif Oran", "Toplamindoran", "%"},
                      {"Kapasitif / Aktif Oran", "Toplamkaporan", "%"}};

// Wide enough for the counters' widest format ("00000.000") and a sign.
constexpr int counterDigits = 10;

const QString blackPanelStyle = QStringLiteral(
    "QGroupBox { background: black; color: #c0c0c0; border: 1px solid #3a3a3a; border-radius: 4px;"
    " margin-top: 14px; font-weight: bold; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"
    "QLabel { color: #c0c0c0; background: transparent; }");

void addRow(QGridLayout *grid, int row, int column, QWidget *owner, const Row &r, int digits,
            const QString &initial = {})
{
    grid->addWidget(new QLabel(text(r.label), owner), row, column);
    SevenSegmentDisplay *display = form::display(owner, text(r.display), digits);
    display->setText(initial);
    grid->addWidget(display, row, column + 1);
    grid->addWidget(new QLabel(text(r.unit), owner), row, column + 2);
}

QGroupBox *blackGroup(QWidget *owner, const char *caption)
{
    QGroupBox *box = form::group(owner, text(caption));
    box->setStyleSheet(blackPanelStyle);
    return box;
}
} // namespace

ConsumptionPage::ConsumptionPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *header = new QHBoxLayout;
    header->addWidget(new QLabel(text("Seri No"), this));
    QLineEdit *device = form::edit(this, QStringLiteral("Edit111"), QString());
    device->setFixedWidth(120);
    header->addWidget(device);
    header->addStretch(1);
    layout->addLayout(header);
    // The upper half: dark, like the instantaneous values, so the panels' captions stand out.
    auto *upper = new QFrame(this);
    upper->setObjectName(QStringLiteral("consumptionValues"));
    upper->setStyleSheet(QStringLiteral("#consumptionValues { background: #101010; }"));
    auto *values = new QVBoxLayout(upper);
    values->addWidget(buildMeterReadings(upper));
    values->addWidget(buildCounters(upper));
    values->addWidget(buildRequestRow(upper));
    layout->addWidget(upper);
    // The lower half: the report over the days between two dates.
    layout->addWidget(new ReactiveEnergyPanel(ReactiveEnergyPanel::consumptionNames, this));
    // The month of the active device from the history: the ratios so far and the month-end forecast.
    auto *month = new QLabel(this);
    month->setObjectName(QStringLiteral("LblBuAy"));
    layout->addWidget(month);
    layout->addStretch(1);
}

QWidget *ConsumptionPage::buildMeterReadings(QWidget *owner)
{
    QGroupBox *box = blackGroup(owner, "Sayaçtan Alınan Son Değerler");
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(6, 14, 6, 6);
    int column = 0;
    for (const Row &r : meterReadings) {
        addRow(grid, 0, column, box, r, counterDigits, QStringLiteral("0"));
        grid->setColumnMinimumWidth(column + 3, 16);
        column += 4;
    }
    grid->setColumnStretch(column, 1);
    return box;
}

QWidget *ConsumptionPage::buildCounters(QWidget *owner)
{
    auto *holder = new QWidget(owner);
    auto *groups = new QHBoxLayout(holder);
    groups->setContentsMargins(0, 0, 0, 0);
    for (const CounterGroup &group : counterGroups) {
        QGroupBox *box = blackGroup(holder, group.caption);
        auto *grid = new QGridLayout(box);
        grid->setContentsMargins(6, 14, 6, 6);
        grid->setVerticalSpacing(4);
        int row = 0;
        for (const Row &r : group.rows)
            addRow(grid, row++, 0, box, r, counterDigits);
        grid->setColumnStretch(1, 1);
        groups->addWidget(box);
    }
    return holder;
}

QWidget *ConsumptionPage::buildRequestRow(QWidget *owner)
{
    auto *box = new QFrame(owner);
    box->setObjectName(QStringLiteral("requestRow"));
    box->setStyleSheet(QStringLiteral("#requestRow { background: black; border: 1px solid #3a3a3a;"
                                      " border-radius: 4px; } QLabel { color: #c0c0c0; }"));
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(6, 6, 6, 6);
    QPushButton *request =
        form::button(box, QStringLiteral("VrShadowButton8"), text("Enerji Değerlerini İste"));
    row->addWidget(request);
    row->addSpacing(24);
    for (const Row &r : ratios) {
        row->addWidget(new QLabel(text(r.label), box));
        row->addWidget(form::display(box, text(r.display), 7));
        row->addWidget(new QLabel(text(r.unit), box));
        row->addSpacing(16);
    }
    row->addStretch(1);
    return box;
}

} // namespace korvel
