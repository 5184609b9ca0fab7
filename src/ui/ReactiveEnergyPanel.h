#pragma once

#include <QGroupBox>

namespace korvel
{

// "REAKTİF ENERJİ ORANI HESAPLA": the date range and its button, the arrival time, the totals of both
// dates on dark panels, the two ratios and their penalty status labels. The consumption view and the
// meter reading view each carry one, with their own control names.
class ReactiveEnergyPanel final : public QGroupBox
{
    Q_OBJECT
public:
    struct Names {
        const char *firstPicker;
        const char *secondPicker;
        const char *button;
        const char *buttonCaption;
        const char *arrivalTime;
        const char *firstDate;
        const char *secondDate;
        // Active, inductive, capacitive at the first date, then at the second.
        const char *firstTotals[3];
        const char *secondTotals[3];
        const char *inductiveRatio;
        const char *capacitiveRatio;
        const char *inductiveStatus;
        const char *capacitiveStatus;
    };
    static const Names consumptionNames;
    static const Names meterNames;

    ReactiveEnergyPanel(const Names &names, QWidget *parent = nullptr);

private:
    QWidget *datedTotals(const char *dateField, const char *const (&totals)[3]);
    QWidget *ratio(const QString &caption, const char *display, const char *status);
};

} // namespace korvel
