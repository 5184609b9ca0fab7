#pragma once

class QWidget;

namespace korvel::pages
{

// The tab "Harmonikler": three columns, phase 1 to 3 from the left, each with its request button, its
// waveform picture, and the voltage and current spectra with their order selectors and value boxes.
QWidget *harmonicsPage(QWidget *parent);

} // namespace korvel::pages
