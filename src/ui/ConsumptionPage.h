#pragma once

#include <QWidget>

namespace korvel
{

// The page "Analizör-Tüketim Değerleri". The upper half: the device field (Edit111), the meter's last
// readings, the three counter groups (three phases and their total each), the request button with the
// two ratio displays. The lower half: the date-range report.
class ConsumptionPage final : public QWidget
{
    Q_OBJECT
public:
    explicit ConsumptionPage(QWidget *parent = nullptr);

private:
    QWidget *buildMeterReadings(QWidget *owner);
    QWidget *buildCounters(QWidget *owner);
    QWidget *buildRequestRow(QWidget *owner);
};

} // namespace korvel
