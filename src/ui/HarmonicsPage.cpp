#include "ui/HarmonicsPage.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/Canvas.h"
#include "ui/widgets/TextSpinBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace korvel::pages
{

namespace
{
constexpr int pictureWidth = 254;
constexpr int spectrumHeight = 171;

struct Column {
    form::Command request;
    const char *waveform;
    int waveformHeight;
    // Voltage, then current.
    const char *spectra[2];
    const char *selectors[2];
    const char *valueBoxes[2];
};

const Column columns[] = {
    {{"VrShadowButton5", "Faz1 Harmonik İste"},
     "Image1",
     254,
     {"Image4", "Image5"},
     {"SpinEdit2", "SpinEdit1"},
     {"EditH22", "EditH2"}},
    {{"VrShadowButton6", "Faz2 Harmonik İste"},
     "Image2",
     252,
     {"Image6", "Image7"},
     {"SpinEdit3", "SpinEdit4"},
     {"EditH11", "EditH12"}},
    {{"VrShadowButton7", "Faz3 Harmonik İste"},
     "Image3",
     253,
     {"Image8", "Image9"},
     {"SpinEdit5", "SpinEdit6"},
     {"EditH31", "EditH32"}},
};

Canvas *picture(QWidget *parent, const char *name, int height)
{
    auto *canvas = new Canvas(pictureWidth, height, parent);
    canvas->setObjectName(QString::fromLatin1(name));
    return canvas;
}

// An order selector: odd orders 1 to 31 by the arrows, any text when typed.
QHBoxLayout *selectorRow(QWidget *parent, const char *selector, const char *valueBox)
{
    auto *row = new QHBoxLayout;
    auto *spin = new TextSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(selector));
    spin->setRange(1, 31);
    spin->setSingleStep(2);
    spin->setValue(1);
    spin->setMinimumWidth(52);
    row->addWidget(spin);
    QLineEdit *box = form::edit(parent, QString::fromLatin1(valueBox), QString());
    row->addWidget(box, 1);
    row->addWidget(new QLabel(QStringLiteral("%"), parent));
    return row;
}
} // namespace

QWidget *harmonicsPage(QWidget *parent)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto *w = new QWidget(scroll);
    auto *columnsLayout = new QHBoxLayout(w);
    for (int phase = 0; phase < 3; ++phase) {
        const Column &c = columns[phase];
        auto *column = new QVBoxLayout;
        column->setSpacing(4);
        auto *requestRow = new QHBoxLayout;
        requestRow->addWidget(new QLabel(QStringLiteral("V%1").arg(phase + 1), w));
        form::addButtons(w, requestRow, {c.request});
        requestRow->addWidget(new QLabel(QStringLiteral("I%1").arg(phase + 1), w));
        column->addLayout(requestRow);
        column->addWidget(picture(w, c.waveform, c.waveformHeight));
        for (int q = 0; q < 2; ++q) {
            column->addWidget(picture(w, c.spectra[q], spectrumHeight));
            column->addLayout(selectorRow(w, c.selectors[q], c.valueBoxes[q]));
        }
        column->addStretch(1);
        auto *holder = new QWidget(w);
        holder->setFixedWidth(pictureWidth);
        holder->setLayout(column);
        column->setContentsMargins(0, 0, 0, 0);
        columnsLayout->addWidget(holder);
    }
    columnsLayout->addStretch(1);
    scroll->setWidget(w);
    return scroll;
}

} // namespace korvel::pages
