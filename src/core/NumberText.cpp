#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace korvel
{

namespace
{

// Copies the text into plain ASCII for from_chars; any non-ASCII character makes it no number.
bool toAscii(QStringView text, std::string &out)
{
    out.clear();
    out.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
        out.push_back(char(c.unicode()));
    }
    return true;
}

template <typename Int> std::optional<Int> parseInteger(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && text[start] == u' ')
        ++start;
    text = text.mid(start);
    // A digit count bound keeps hostile texts from costing more than a copy.
    if (text.isEmpty() || text.size() > 40)
        return std::nullopt;
    std::string ascii;
    if (!toAscii(text, ascii))
        return std::nullopt;
    const char *first = ascii.data();
    const char *last = first + ascii.size();
    if (*first == '+')
        ++first;
    if (first == last || *first == '+' || (*first == '-' && first + 1 == last))
        return std::nullopt;
    Int value{};
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<qint32> parseInt32(QStringView text)
{
    return parseInteger<qint32>(text);
}

std::optional<qint64> parseInt64(QStringView text)
{
    return parseInteger<qint64>(text);
}

std::optional<double> parseDecimal(QStringView text, QChar decimalSeparator)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 400)
        return std::nullopt;
    std::string ascii;
    if (!toAscii(text, ascii))
        return std::nullopt;
    const char separator = decimalSeparator.unicode() < 0x80 ? char(decimalSeparator.unicode()) : '.';
    for (char &c : ascii) {
        if (c == separator)
            c = '.';
        else if (c == '.' || !(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' ||
                               c == 'e' || c == 'E'))
            return std::nullopt;
    }
    const char *first = ascii.data();
    const char *last = first + ascii.size();
    if (*first == '+')
        ++first;
    double value = 0.0;
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace korvel
