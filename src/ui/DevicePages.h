#pragma once

class QWidget;

namespace korvel::pages
{

// The nine pages of the main page control, in tab order. Every control carries the name the
// behaviour gives it.
QWidget *instantValues(QWidget *parent);
QWidget *consumption(QWidget *parent);
QWidget *overcurrentRelay(QWidget *parent);
QWidget *harmonics(QWidget *parent);
QWidget *capacitors(QWidget *parent);
QWidget *settings(QWidget *parent);
QWidget *meterReading(QWidget *parent);
QWidget *naturalGas(QWidget *parent);
QWidget *meterDetail(QWidget *parent);

} // namespace korvel::pages
