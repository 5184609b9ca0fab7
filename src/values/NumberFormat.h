#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace korvel
{

// The two number texts every view prints with, both with the user's decimal separator.
//
// Format mask: "0" before the "." is a digit always shown (leading zeros kept), each "0" after it one
// decimal; other characters carry no meaning. The binary value is rounded once, at the last decimal, to
// the nearest; an exact half goes away from zero. So 1000.5 with "0000" shows 1001, while 1.005, stored as
// 1.00499999999999989, shows 1.00 with "0.00". Every digit is the value's own, also past 15 significant
// digits. Negative values get a leading "-" unless they round to zero. Values of 1E18 and more, NaN and
// infinities, and a mask without a "0" fall back to the general format.
QString formatMask(double value, QStringView mask, QChar decimalSeparator);

// General format: the shortest text with up to 15 significant digits (1.0005, 220.5, -1, 8412227).
// Fixed notation from 0.0001 up to 15 integer digits, otherwise a mantissa and a bare exponent
// ("1.5E20", "1E-5"). NaN and infinities read "NAN", "INF", "-INF".
QString formatGeneral(double value, QChar decimalSeparator);

// formatGeneral appended to a text under construction, without a temporary string.
void appendGeneral(QString &out, double value, QChar decimalSeparator);

} // namespace korvel
