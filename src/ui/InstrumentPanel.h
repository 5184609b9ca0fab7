#pragma once

#include <QWidget>

class QGridLayout;

namespace korvel
{

// The page "Analizör-Ani Değerler": a header line (Label2, Edit1), then Panel7 with the black value
// panels on the left (voltages, currents, powers, energies, relay panels) and the cos φ meter, power
// factor, frequency and input lamps on the right.
class InstrumentPanel final : public QWidget
{
    Q_OBJECT
public:
    explicit InstrumentPanel(QWidget *parent = nullptr);

private:
    QWidget *buildValueColumn(QWidget *owner);
    QWidget *buildMeterColumn(QWidget *owner);
    QWidget *buildRelayPanels(QWidget *owner);
};

} // namespace korvel
