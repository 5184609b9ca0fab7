#pragma once

#include <QChar>
#include <QStringView>
#include <optional>

namespace korvel
{

// The energy totals of a period report at its first and second date.
struct PeriodTotals {
    long double activeFirst = 0;
    long double activeSecond = 0;
    long double inductiveFirst = 0;
    long double inductiveSecond = 0;
    long double capacitiveFirst = 0;
    long double capacitiveSecond = 0;
};

// Reactive energy over active energy of a period, in percent. The differences and the quotient are
// taken in extended precision and each ratio is stored as a double, so that a ratio that is a whole
// percent on paper (30 over 200) is that whole number and lands in the class the tariff means.
struct ReactiveRatios {
    // Signed: a falling inductive counter gives a negative ratio.
    double inductive = 0;
    // The magnitude of the capacitive quotient.
    double capacitive = 0;

    // Both ratios are 0 when the active energy did not grow. None when a ratio overflows a double (a
    // tiny active growth against huge reactive differences).
    static std::optional<ReactiveRatios> compute(const PeriodTotals &totals);
};

// A decimal number text with the given decimal mark, read in extended precision; the same texts as
// parseDecimal accepts.
std::optional<long double> parseExtended(QStringView text, QChar decimalSeparator);

} // namespace korvel
