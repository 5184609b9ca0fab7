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
#include <QPainter>
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
    // The lamp in the button's face: the icon's On state is shown while the button is checked.
    static const QIcon lamp = [] {
        const auto draw = [](QColor centre, QColor rim) {
            QPixmap pixmap(14, 14);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            QRadialGradient glow(5, 5, 8);
            glow.setColorAt(0, centre);
            glow.setColorAt(1, rim);
            painter.setBrush(glow);
            painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
            painter.drawEllipse(QRectF(1, 1, 12, 12));
            return pixmap;
        };
        QIcon icon;
        icon.addPixmap(draw(QColor(0x70, 0x20, 0x20), QColor(0x30, 0x08, 0x08)), QIcon::Normal, QIcon::Off);
        icon.addPixmap(draw(QColor(0xFF, 0xC0, 0xC0), QColor(0xFF, 0x10, 0x10)), QIcon::Normal, QIcon::On);
        icon.addPixmap(draw(QColor(0x60, 0x60, 0x60), QColor(0x30, 0x30, 0x30)), QIcon::Disabled, QIcon::Off);
        icon.addPixmap(draw(QColor(0xA0, 0x60, 0x60), QColor(0x60, 0x30, 0x30)), QIcon::Disabled, QIcon::On);
        return icon;
    }();
    t->setIcon(lamp);
    t->setIconSize(QSize(14, 14));
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
