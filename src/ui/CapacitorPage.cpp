#include "ui/CapacitorPage.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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

struct Group {
    const char *caption;
    const char *powers;  // display CAk, CBk ...
    const char *toggles; // toggle C1k, c2k ...
};

const Group groups[] = {
    {"Grup1", "CA", "C1"}, {"Grup2", "CB", "c2"}, {"Grup3", "CC", "c3"}, {"Grup 4", "CE", "c4"}};

// The phase a step hangs on, as the device reports it; the boxes only show it.
const struct {
    const char *suffix;
    const char *caption;
} phaseBoxes[] = {{"CHK_R", "R"}, {"CHK_S", "S"}, {"CHK_T", "T"}, {"CHK_RST", "RST"}};

constexpr int stepsPerGroup = 6;
} // namespace

CapacitorPage::CapacitorPage(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *grid = new QGridLayout;
    for (int g = 0; g < int(std::size(groups)); ++g)
        grid->addWidget(buildGroup(this, g), g / 2, g % 2);
    layout->addLayout(grid);
    QGroupBox *commands = form::group(this, text("Kondansatörler"));
    auto *row = new QHBoxLayout(commands);
    form::addButtons(
        commands, row,
        {{"BitBtn1", "Kondansatörleri Devreye Al-Çıkar"}, {"BitBtn2", "Kondansatör Durumlarını Oku"}});
    row->addStretch(1);
    layout->addWidget(commands);
    layout->addStretch(1);
}

QWidget *CapacitorPage::buildGroup(QWidget *owner, int g)
{
    const Group &group = groups[g];
    QGroupBox *box = form::group(owner, text(group.caption));
    auto *grid = new QGridLayout(box);
    grid->setVerticalSpacing(3);
    const char *headings[] = {"Durum", "kVAr", "Devreye al"};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(text(headings[c]), box), 0, c);
    grid->addWidget(new QLabel(text("Bağlı Olduğu Faz"), box), 0, 3, 1, 4, Qt::AlignHCenter);
    for (int k = 1; k <= stepsPerGroup; ++k) {
        const int step = g * stepsPerGroup + k;
        QLabel *picture = form::label(box, QStringLiteral("F%1%2").arg(g + 1).arg(k), QString());
        picture->setFixedSize(PictureSize, PictureSize);
        picture->setAlignment(Qt::AlignCenter);
        picture->setToolTip(QStringLiteral("C%1").arg(step));
        grid->addWidget(picture, k, 0);
        grid->addWidget(form::display(box, text(group.powers) + QString::number(k), 6), k, 1);
        grid->addWidget(
            form::toggle(box, text(group.toggles) + QString::number(k), QStringLiteral("C%1").arg(step)), k,
            2);
        for (int p = 0; p < int(std::size(phaseBoxes)); ++p) {
            QCheckBox *phase = form::check(box, QStringLiteral("C%1").arg(step) + text(phaseBoxes[p].suffix),
                                           text(phaseBoxes[p].caption));
            phase->setEnabled(false);
            grid->addWidget(phase, k, 3 + p);
        }
    }
    grid->setColumnStretch(7, 1);
    return box;
}

} // namespace korvel
