#pragma once

#include "metering/EnergyDays.h"
#include "metering/PenaltyClass.h"
#include "metering/ReactiveRatios.h"

#include <QLocale>
#include <QString>
#include <span>

namespace korvel
{

// The two ratios of a period with their classes, classified as the analyzer's report classifies them.
struct ClassifiedRatios {
    ReactiveRatios ratios;
    PenaltyClass inductive = PenaltyClass::normal;
    PenaltyClass capacitive = PenaltyClass::normal;

    static ClassifiedRatios of(const ReactiveRatios &ratios);
    PenaltyClass worst() const { return std::max(inductive, capacitive); }
};

// Where a device stands in a month: the ratios since the month's first reading and a forecast of the
// month's end, which carries the rates of the last seven days of data to the end of the month.
struct PenaltyForecast {
    static constexpr qint64 dayMs = 86'400'000;
    // Below a day of data the rates say too little to be carried over a month.
    static constexpr qint64 minimumDataMs = dayMs;
    static constexpr int rateDays = 7;

    bool hasCounters = false; // some energy of the month was seen
    double active = 0;        // energy of the month so far
    double inductive = 0;
    double capacitive = 0;
    qint64 coveredMs = 0;
    ClassifiedRatios toDate;
    // The forecast; empty with "yetersiz veri".
    std::optional<ClassifiedRatios> monthEnd;
    // How many days of data the forecast rests on (1 to 7), 0 when too few.
    int basisDays = 0;

    // `days` in increasing order; those outside [firstDay, lastDay] (the month, Julian day numbers) are
    // left out. `nowMs` is the instant of the forecast, `endMs` the month's end.
    static PenaltyForecast compute(std::span<const DayEnergy> days, qint64 firstDay, qint64 lastDay,
                                   qint64 today, qint64 nowMs, qint64 endMs);

    // "7 günlük veriden" or "yetersiz veri".
    QString basisText() const;
    // "İndüktif %12,4 (NORMAL) · Kapasitif %3,1 (NORMAL)" in the locale's number format.
    static QString ratiosText(const ClassifiedRatios &r, const QLocale &locale);
    // "Bu ay: ... — ay sonu tahmini: ..." for the consumption tab; empty without counters.
    QString monthLine(const QLocale &locale) const;
};

// A ratio in percent with one decimal in the locale's format, as "%12,4".
QString percentText(double ratio, const QLocale &locale);

} // namespace korvel
