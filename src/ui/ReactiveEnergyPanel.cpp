#include "ui/ReactiveEnergyPanel.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
QString latin(const char *name)
{
    return QString::fromLatin1(name);
}

// Silver captions on black. Colours go through the palette, never a style sheet, so that the colour
// the behaviour gives a status label is the colour it shows.
void darken(QWidget *w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, QColor(192, 192, 192));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// A read-only field the reply fills: the date of a dated panel, the arrival time.
QLineEdit *field(QWidget *parent, const char *name, int characters)
{
    QLineEdit *e = form::edit(parent, latin(name), QString());
    e->setReadOnly(true);
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QString(characters, QLatin1Char('0'))) + 12);
    return e;
}
} // namespace

const ReactiveEnergyPanel::Names ReactiveEnergyPanel::consumptionNames = {"DateTimePicker1",
                                                                          "DateTimePicker2",
                                                                          "VrShadowButton9",
                                                                          "İki Tarih Arası Oranları Hesapla",
                                                                          "Edit4",
                                                                          "Edit222",
                                                                          "Edit333",
                                                                          {"ak1", "in1", "kap1"},
                                                                          {"ak2", "in2", "kap2"},
                                                                          "indoran",
                                                                          "kaporan",
                                                                          "inddurum",
                                                                          "Kapdurum"};

const ReactiveEnergyPanel::Names ReactiveEnergyPanel::meterNames = {"dtsycilktarih",
                                                                    "dtsycsontarih",
                                                                    "VrShadowButton12",
                                                                    "Tarih Arası Oranları Hesapla",
                                                                    "Edit6",
                                                                    "Edit2",
                                                                    "Edit3",
                                                                    {"RzLEDak1", "RzLEDin1", "RzLEDkap1"},
                                                                    {"RzLEDak2", "RzLEDin2", "RzLEDkap2"},
                                                                    "RzLEDsycinoran",
                                                                    "RzLEDsyckaporan",
                                                                    "lblsycindurum",
                                                                    "lblsyckapdurum"};

ReactiveEnergyPanel::ReactiveEnergyPanel(const Names &names, QWidget *parent)
    : QGroupBox(QStringLiteral("REAKTİF ENERJİ ORANI HESAPLA"), parent)
{
    auto *layout = new QVBoxLayout(this);

    auto *range = new QHBoxLayout;
    // The caption of a picker is its date in the user's short date format: what the request sends.
    const QString dateFormat = QLocale().dateFormat(QLocale::ShortFormat);
    for (const auto &[caption, picker] :
         {std::pair{"İlk Tarih", names.firstPicker}, {"Son Tarih", names.secondPicker}}) {
        range->addWidget(new QLabel(QString::fromUtf8(caption), this));
        QDateEdit *p = form::datePicker(this, latin(picker));
        p->setDisplayFormat(dateFormat);
        range->addWidget(p);
    }
    range->addWidget(form::button(this, latin(names.button), QString::fromUtf8(names.buttonCaption)));
    range->addSpacing(12);
    range->addWidget(new QLabel(QStringLiteral("R. Saati:"), this));
    range->addWidget(field(this, names.arrivalTime, 10));
    range->addStretch(1);
    layout->addLayout(range);

    auto *body = new QHBoxLayout;
    body->addWidget(datedTotals(names.firstDate, names.firstTotals));
    body->addWidget(datedTotals(names.secondDate, names.secondTotals));
    body->addWidget(ratio(QStringLiteral("İNDÜKTİF ORAN"), names.inductiveRatio, names.inductiveStatus));
    body->addWidget(ratio(QStringLiteral("KAPASİTİF ORAN"), names.capacitiveRatio, names.capacitiveStatus));
    body->addStretch(1);
    layout->addLayout(body);
}

QWidget *ReactiveEnergyPanel::datedTotals(const char *dateField, const char *const (&totals)[3])
{
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    darken(frame);
    auto *grid = new QGridLayout(frame);
    auto *header = new QHBoxLayout;
    header->addWidget(field(frame, dateField, 10));
    header->addWidget(new QLabel(QStringLiteral("tarihli"), frame));
    header->addStretch(1);
    grid->addLayout(header, 0, 0, 1, 3);
    const char *const captions[3][2] = {{"Aktif", "kWh"}, {"İndüktif", "kVArLh"}, {"Kapasitif", "kVArCh"}};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i][0]), frame), i + 1, 0);
        grid->addWidget(form::display(frame, latin(totals[i]), 9), i + 1, 1);
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i][1]), frame), i + 1, 2);
    }
    return frame;
}

QWidget *ReactiveEnergyPanel::ratio(const QString &caption, const char *display, const char *status)
{
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    darken(frame);
    auto *column = new QVBoxLayout(frame);
    auto *title = new QLabel(caption, frame);
    title->setAlignment(Qt::AlignCenter);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    column->addWidget(title);
    auto *row = new QHBoxLayout;
    row->addWidget(form::display(frame, latin(display), 6));
    auto *percent = new QLabel(QStringLiteral("%"), frame);
    percent->setFont(bold);
    row->addWidget(percent);
    column->addLayout(row);

    // The penalty class is what the user came for: large, bold, in its class colour on black.
    QLabel *label = form::label(frame, latin(status), QStringLiteral("DURUM"));
    QFont big = label->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.8);
    label->setFont(big);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("KRİTİK")) + 16);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(0, 255, 0));
    label->setPalette(p);
    column->addWidget(label);
    return frame;
}

} // namespace korvel
