#pragma once

#include <QChar>
#include <QStringView>
#include <optional>

namespace korvel
{

// Whole numbers as the client reads them from replies and fields: optional leading blanks, an optional
// sign, decimal digits, nothing after them. Out of range is not a number.
std::optional<qint32> parseInt32(QStringView text);
std::optional<qint64> parseInt64(QStringView text);

// A decimal number written with the given decimal mark (and an optional exponent); leading and trailing
// blanks are allowed. Infinity and NaN texts are not numbers.
std::optional<double> parseDecimal(QStringView text, QChar decimalSeparator);

} // namespace korvel
