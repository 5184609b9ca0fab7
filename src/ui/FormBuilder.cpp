#include "ui/FormBuilder.h"

#include "ui/widgets/Lamp.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvel::form
{

namespace
{
template <typename W> W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}
} // namespace

QLabel *label(QWidget *parent, const QString &name, const QString &caption)
{
    return named(new QLabel(caption, parent), name);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QLineEdit *edit(QWidget *parent, const QString &name, const QString &text)
{
    return named(new QLineEdit(text, parent), name);
}

QCheckBox *check(QWidget *parent, const QString &name, const QString &caption)
{
    return named(new QCheckBox(caption, parent), name);
}

QPushButton *toggle(QWidget *parent, const QString &name, const QString &caption)
{
    auto *t = button(parent, name, caption);
    t->setCheckable(true);
    t->setChecked(false);
    // A lamp in the button's face: dark red when off, bright red when on.
    t->setStyleSheet(
        QStringLiteral("QPushButton { padding: 3px 8px 3px 22px; text-align: left; }"
                       "QPushButton::checked { font-weight: bold; }"
                       "QPushButton { background: qradialgradient(cx:0.0, cy:0.5, radius:0.9, "
                       "fx:0.0, fy:0.5, stop:0 #600000, stop:0.12 #600000, stop:0.13 palette(button), "
                       "stop:1 palette(button)); }"
                       "QPushButton:checked { background: qradialgradient(cx:0.0, cy:0.5, "
                       "radius:0.9, fx:0.0, fy:0.5, stop:0 #ff2020, stop:0.12 #ff2020, "
                       "stop:0.13 palette(light), stop:1 palette(light)); }"));
    return t;
}

QDateEdit *datePicker(QWidget *parent, const QString &name)
{
    auto *picker = named(new QDateEdit(parent), name);
    picker->setCalendarPopup(true);
    return picker;
}

QGroupBox *group(QWidget *parent, const QString &caption, const QString &name)
{
    auto *box = new QGroupBox(caption, parent);
    if (!name.isEmpty())
        box->setObjectName(name);
    return box;
}

QFrame *panel(QWidget *parent, const QString &name)
{
    return named(new QFrame(parent), name);
}

SevenSegmentDisplay *display(QWidget *parent, const QString &name, int digits)
{
    auto *d = named(new SevenSegmentDisplay(parent), name);
    d->setGhostDigits(digits);
    // A fixed size, like a real panel's: a new reading then never asks the window for a new layout.
    d->setFixedSize(d->sizeHint().expandedTo(QSize(22 * digits, 0)));
    return d;
}

Lamp *lamp(QWidget *parent, const QString &name)
{
    return named(new Lamp(parent), name);
}

void addButtons(QWidget *parent, QBoxLayout *layout, std::initializer_list<Command> commands)
{
    for (const Command &c : commands)
        layout->addWidget(button(parent, QString::fromUtf8(c.name), QString::fromUtf8(c.caption)));
}

QGroupBox *dateRange(QWidget *parent, const char *caption, const char *from, const char *to, Command command)
{
    QGroupBox *range = group(parent, QString::fromUtf8(caption));
    auto *row = new QHBoxLayout(range);
    row->addWidget(datePicker(range, QString::fromLatin1(from)));
    row->addWidget(datePicker(range, QString::fromLatin1(to)));
    addButtons(range, row, {command});
    row->addStretch(1);
    return range;
}

} // namespace korvel::form
