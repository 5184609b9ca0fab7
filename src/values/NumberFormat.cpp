#include "values/NumberFormat.h"

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace korvel
{

namespace
{

constexpr int Precision = 15;

// |value| to Precision significant digits, correctly rounded: value = 0.d0d1d2... x 10^(exponent + 1).
struct Decimal {
    char digits[Precision];
    int exponent; // of the first digit
};

Decimal toDecimal(double magnitude)
{
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, Precision - 1);
    // "d.dddddddddddddde+XX"
    Decimal decimal{};
    decimal.digits[0] = buffer[0];
    for (int i = 1; i < Precision; ++i)
        decimal.digits[i] = buffer[i + 1];
    const char *e = buffer + Precision + 1;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), result.ptr, decimal.exponent);
    return decimal;
}

using Buffer = QVarLengthArray<char16_t, 64>;

void appendAscii(Buffer &out, const char *text)
{
    while (*text)
        out.append(char16_t(*text++));
}

void writeGeneral(Buffer &out, double value, char16_t separator)
{
    if (std::isnan(value)) {
        appendAscii(out, "NAN");
        return;
    }
    if (std::isinf(value)) {
        appendAscii(out, value < 0 ? "-INF" : "INF");
        return;
    }
    if (value == 0.0) {
        out.append(u'0');
        return;
    }
    const Decimal d = toDecimal(std::fabs(value));
    int count = Precision;
    while (count > 1 && d.digits[count - 1] == '0')
        --count;
    if (value < 0)
        out.append(u'-');
    const int x = d.exponent;
    if (x + 1 > Precision || x + 1 < -3) {
        out.append(char16_t(d.digits[0]));
        if (count > 1) {
            out.append(separator);
            for (int i = 1; i < count; ++i)
                out.append(char16_t(d.digits[i]));
        }
        out.append(u'E');
        if (x < 0)
            out.append(u'-');
        char exponent[8];
        const auto end = std::to_chars(exponent, exponent + sizeof exponent, std::abs(x)).ptr;
        for (const char *c = exponent; c != end; ++c)
            out.append(char16_t(*c));
        return;
    }
    if (x >= 0) {
        for (int i = 0; i <= x; ++i)
            out.append(i < count ? char16_t(d.digits[i]) : u'0');
        if (count > x + 1) {
            out.append(separator);
            for (int i = x + 1; i < count; ++i)
                out.append(char16_t(d.digits[i]));
        }
        return;
    }
    out.append(u'0');
    out.append(separator);
    for (int i = 0; i < -x - 1; ++i)
        out.append(u'0');
    for (int i = 0; i < count; ++i)
        out.append(char16_t(d.digits[i]));
}

QString toQString(const Buffer &buffer)
{
    return QString(reinterpret_cast<const QChar *>(buffer.constData()), buffer.size());
}

} // namespace

QString formatGeneral(double value, QChar decimalSeparator)
{
    Buffer buffer;
    writeGeneral(buffer, value, decimalSeparator.unicode());
    return toQString(buffer);
}

void appendGeneral(QString &out, double value, QChar decimalSeparator)
{
    Buffer buffer;
    writeGeneral(buffer, value, decimalSeparator.unicode());
    out.append(QStringView(buffer.constData(), buffer.size()));
}

QString formatMask(double value, QStringView mask, QChar decimalSeparator)
{
    int integerDigits = 0;
    int decimals = 0;
    bool afterPoint = false;
    for (QChar c : mask) {
        if (c == u'.')
            afterPoint = true;
        else if (c == u'0')
            ++(afterPoint ? decimals : integerDigits);
    }
    if (integerDigits + decimals == 0 || !std::isfinite(value) || std::fabs(value) >= 1e18)
        return formatGeneral(value, decimalSeparator);

    // rounded = the value times 10^decimals as a digit string without leading zeros; empty for zero.
    // The binary value is rounded once, at the last decimal: to the nearest, and away from zero only
    // when it lies exactly half-way (0.125 with "0.00" shows 0.13, but 1.005, stored as 1.00499..., 1.00).
    QVarLengthArray<char, 64> rounded;
    if (value != 0.0) {
        const double magnitude = std::fabs(value);
        // Below 1E18 the integer part has at most 18 digits; the text is "digits.decimals".
        QVarLengthArray<char, 64> text(20 + decimals + 1);
        // A value half-way between two results is a multiple of 2^-(decimals + 1), so it prints exactly
        // with one decimal more, ending in 5; no other value does both.
        bool halfWay = false;
        if (const double scaled = std::ldexp(magnitude, decimals + 1); scaled == std::floor(scaled)) {
            const auto end = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                           std::chars_format::fixed, decimals + 1)
                                 .ptr;
            halfWay = end[-1] == '5';
        }
        const auto end = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                       std::chars_format::fixed, halfWay ? decimals + 1 : decimals)
                             .ptr;
        for (const char *c = text.data(); c != end; ++c) {
            if (*c == '.' || (rounded.isEmpty() && *c == '0'))
                continue;
            rounded.append(*c);
        }
        if (halfWay) {
            // The 5 goes; the digits before it go up by one.
            rounded.removeLast();
            int i = int(rounded.size()) - 1;
            for (; i >= 0 && rounded[i] == '9'; --i)
                rounded[i] = '0';
            if (i >= 0)
                ++rounded[i];
            else
                rounded.insert(rounded.begin(), '1');
        }
    }

    const int length = int(rounded.size());
    const int integerLength = length > decimals ? length - decimals : 0;
    Buffer out;
    if (value < 0 && length > 0)
        out.append(u'-');
    for (int i = integerLength; i < integerDigits; ++i)
        out.append(u'0');
    for (int i = 0; i < integerLength; ++i)
        out.append(char16_t(rounded[i]));
    if (decimals > 0) {
        out.append(decimalSeparator.unicode());
        for (int i = length; i < decimals; ++i)
            out.append(u'0');
        for (int i = integerLength; i < length; ++i)
            out.append(char16_t(rounded[i]));
    }
    return toQString(out);
}

} // namespace korvel
