#pragma once

#include <QString>
#include <initializer_list>

class QBoxLayout;
class QCheckBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvel
{

class Lamp;
class SevenSegmentDisplay;

// Small helpers that create a named control of the forms; the objectName is the control's name.
namespace form
{
QLabel *label(QWidget *parent, const QString &name, const QString &caption);
QPushButton *button(QWidget *parent, const QString &name, const QString &caption);
QLineEdit *edit(QWidget *parent, const QString &name, const QString &text);
QCheckBox *check(QWidget *parent, const QString &name, const QString &caption);
// A lamp-style on/off toggle button: off at start, flipped when the click is released or by the space
// key; its state is the screen's checked state.
QPushButton *toggle(QWidget *parent, const QString &name, const QString &caption);
QDateEdit *datePicker(QWidget *parent, const QString &name);
QGroupBox *group(QWidget *parent, const QString &caption, const QString &name = {});
QFrame *panel(QWidget *parent, const QString &name);
SevenSegmentDisplay *display(QWidget *parent, const QString &name, int digits = 6);
Lamp *lamp(QWidget *parent, const QString &name);

// A command control and its caption, for rows of buttons that a table lists.
struct Command {
    const char *name;
    const char *caption;
};
void addButtons(QWidget *parent, QBoxLayout *layout, std::initializer_list<Command> commands);
// Two date pickers and the command that computes over the days between them.
QGroupBox *dateRange(QWidget *parent, const char *caption, const char *from, const char *to, Command command);
} // namespace form

} // namespace korvel
