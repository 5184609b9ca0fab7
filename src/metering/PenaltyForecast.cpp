#include "metering/PenaltyForecast.h"

#include <algorithm>

namespace korvel
{

namespace
{
ReactiveRatios ratiosOf(long double active, long double inductive, long double capacitive)
{
    // A month's energies are a period whose first totals are zero.
    return ReactiveRatios::compute({0, active, 0, inductive, 0, capacitive}).value_or(ReactiveRatios{});
}
} // namespace

ClassifiedRatios ClassifiedRatios::of(const ReactiveRatios &ratios)
{
    const auto classOf = [](double ratio, const PenaltyLimits &limits) {
        return classifyRatio(ratio, limits, RatioRounding::asComputed).value_or(PenaltyClass::normal);
    };
    return {ratios, classOf(ratios.inductive, inductiveLimits), classOf(ratios.capacitive, capacitiveLimits)};
}

PenaltyForecast PenaltyForecast::compute(std::span<const DayEnergy> days, qint64 firstDay, qint64 lastDay,
                                         qint64 today, qint64 nowMs, qint64 endMs)
{
    PenaltyForecast f;
    DayEnergy recent;
    for (const DayEnergy &d : days) {
        if (d.day < firstDay || d.day > lastDay)
            continue;
        f.hasCounters = true;
        f.active += d.active;
        f.inductive += d.inductive;
        f.capacitive += d.capacitive;
        f.coveredMs += d.coveredMs;
        if (d.day > today - rateDays && d.day <= today) {
            recent.active += d.active;
            recent.inductive += d.inductive;
            recent.capacitive += d.capacitive;
            recent.coveredMs += d.coveredMs;
        }
    }
    f.toDate = ClassifiedRatios::of(ratiosOf(f.active, f.inductive, f.capacitive));
    if (f.coveredMs < minimumDataMs || recent.coveredMs <= 0)
        return f;
    f.basisDays = int(std::clamp<qint64>((recent.coveredMs + dayMs / 2) / dayMs, 1, rateDays));
    // The rates per millisecond of data, carried over what is left of the month.
    const long double left = std::max<qint64>(0, endMs - nowMs);
    const long double scale = left / recent.coveredMs;
    f.monthEnd = ClassifiedRatios::of(ratiosOf(f.active + recent.active * scale,
                                               f.inductive + recent.inductive * scale,
                                               f.capacitive + recent.capacitive * scale));
    return f;
}

QString PenaltyForecast::basisText() const
{
    return monthEnd ? QStringLiteral("%1 günlük veriden").arg(basisDays) : QStringLiteral("yetersiz veri");
}

QString percentText(double ratio, const QLocale &locale)
{
    return u'%' + locale.toString(ratio, 'f', 1);
}

QString PenaltyForecast::ratiosText(const ClassifiedRatios &r, const QLocale &locale)
{
    return QStringLiteral("İndüktif %1 (%2) · Kapasitif %3 (%4)")
        .arg(percentText(r.ratios.inductive, locale), penaltyText(r.inductive),
             percentText(r.ratios.capacitive, locale), penaltyText(r.capacitive));
}

QString PenaltyForecast::monthLine(const QLocale &locale) const
{
    if (!hasCounters)
        return {};
    const QString forecast =
        monthEnd ? ratiosText(*monthEnd, locale) + QStringLiteral(" (") + basisText() + u')' : basisText();
    return QStringLiteral("Bu ay: ") + ratiosText(toDate, locale) + QStringLiteral(" — ay sonu tahmini: ") +
           forecast;
}

} // namespace korvel
