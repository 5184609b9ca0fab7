#include "metering/ReactiveRatios.h"

#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace korvel
{

std::optional<ReactiveRatios> ReactiveRatios::compute(const PeriodTotals &t)
{
    ReactiveRatios ratios;
    const long double activeGrowth = t.activeSecond - t.activeFirst;
    if (!(activeGrowth > 0))
        return ratios;
    const long double inductive = (t.inductiveSecond - t.inductiveFirst) / activeGrowth * 100;
    const long double capacitive = std::fabs((t.capacitiveSecond - t.capacitiveFirst) / activeGrowth) * 100;
    ratios.inductive = double(inductive);
    ratios.capacitive = double(capacitive);
    if (!std::isfinite(ratios.inductive) || !std::isfinite(ratios.capacitive))
        return std::nullopt;
    return ratios;
}

std::optional<long double> parseExtended(QStringView text, QChar decimalSeparator)
{
    // parseDecimal decides what is a number; the digits are then read again with the extra precision.
    if (!parseDecimal(text, decimalSeparator))
        return std::nullopt;
    std::string ascii;
    for (QChar c : text.trimmed()) {
        if (c == decimalSeparator)
            ascii.push_back('.');
        else
            ascii.push_back(char(c.unicode()));
    }
    const char *first = ascii.data();
    const char *last = first + ascii.size();
    if (first != last && *first == '+')
        ++first;
    long double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace korvel
