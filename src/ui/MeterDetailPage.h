#pragma once

#include <QWidget>

namespace korvel
{

// The page "Sayaç Okuma Ayrıntı": the meter's identity, dates, demand, battery and outage counters, its
// registers per tariff with the period ratios, and the readout text.
class MeterDetailPage final : public QWidget
{
    Q_OBJECT
public:
    explicit MeterDetailPage(QWidget *parent = nullptr);
};

} // namespace korvel
