#include "ui/MeterReadingPage.h"

#include "ui/FormBuilder.h"
#include "ui/MeterCsv.h"
#include "ui/ReactiveEnergyPanel.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace korvel
{

QGroupBox *MeterReadingPage::readoutPanel(QWidget *parent, const QString &memo)
{
    QGroupBox *box = form::group(parent, QStringLiteral("Okunan Veriler"));
    auto *layout = new QVBoxLayout(box);
    auto *text = new QPlainTextEdit(box);
    text->setObjectName(memo);
    // Each reading starts from an emptied memo; an undo history would keep every reading alive.
    text->setUndoRedoEnabled(false);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette p = text->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, QColor(0, 255, 0));
    text->setPalette(p);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    text->setFont(mono);
    layout->addWidget(text);
    return box;
}

QGroupBox *MeterReadingPage::displayGroup(QWidget *parent, const QString &caption,
                                          std::initializer_list<Display> displays, const QString &initial)
{
    QGroupBox *box = form::group(parent, caption);
    auto *grid = new QGridLayout(box);
    int row = 0;
    for (const Display &d : displays) {
        grid->addWidget(new QLabel(QString::fromUtf8(d.caption), box), row, 0);
        SevenSegmentDisplay *display = form::display(box, QString::fromLatin1(d.name), d.digits);
        display->setText(initial);
        grid->addWidget(display, row, 1);
        if (*d.unit)
            grid->addWidget(new QLabel(QString::fromUtf8(d.unit), box), row, 2);
        ++row;
    }
    grid->setColumnStretch(3, 1);
    return box;
}

MeterReadingPage::MeterReadingPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    QGroupBox *device = form::group(this, QStringLiteral("Sayaç"));
    auto *deviceRow = new QHBoxLayout(device);
    deviceRow->addWidget(new QLabel(QStringLiteral("Seri No"), device));
    deviceRow->addWidget(form::edit(device, QStringLiteral("Edit5"), QString()));
    form::addButtons(device, deviceRow,
                     {{"VrShadowButton11", "Sayaç Oku"}, {"VrShadowButton13", "Tedaş Okuma"}});
    top->addWidget(device);
    top->addStretch(1);
    MeterCsv::addButton(this, top, QStringLiteral("BtnSayacCsv"));
    layout->addLayout(top);

    auto *values = new QHBoxLayout;
    const QString zeros = QStringLiteral("00000000");
    values->addWidget(displayGroup(this, QStringLiteral("    Sayaç Endeks Değerleri   "),
                                   {{"Aktif", "Rzsycakttop", "kWh", 9},
                                    {"İndüktif", "Rzsycindtop", "kVArLh", 9},
                                    {"Kapasitif", "Rzsyckaptop", "kVArCh", 9}},
                                   zeros));
    values->addWidget(displayGroup(
        this, QStringLiteral("Aktif Değerler"),
        {{"T1", "RzsycT1", "kWh", 9}, {"T2", "RzsycT2", "kWh", 9}, {"T3", "RzsycT3", "kWh", 9}}, zeros));
    layout->addLayout(values);
    layout->addWidget(new ReactiveEnergyPanel(ReactiveEnergyPanel::meterNames, this));
    layout->addWidget(readoutPanel(this, QStringLiteral("Memo3")), 1);
}

} // namespace korvel
