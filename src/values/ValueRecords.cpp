#include "values/ValueRecords.h"

#include "core/AbortChunk.h"
#include "core/NumberText.h"
#include "values/DeviceValueTable.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace korvel
{

namespace
{

constexpr int MaxRecords = 201;
constexpr int MinEntries = 45;
constexpr int RowEntry = 43;
constexpr int FirstSecondsEntry = 30;
constexpr int LastSecondsEntry = 41;
constexpr int PayloadLength = 8;
constexpr int ImpliedPointAfter = 5;

// An entry is its payload in the text; kind "0" gets its decimal point when read.
struct Entry {
    qsizetype start;
    qsizetype length;
    bool impliedPoint;
};

// Plain digits with at most one separator are read exactly as m / 10^k, both exact in a double, so
// the common case skips the general parser and gives the same correctly rounded value.
std::optional<double> readPlain(QStringView text, QChar separator)
{
    constexpr double Powers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    std::int64_t mantissa = 0;
    int digits = 0;
    int decimals = -1;
    for (QChar c : text) {
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            mantissa = mantissa * 10 + (c.unicode() - u'0');
            ++digits;
            if (decimals >= 0)
                ++decimals;
        } else if (c == separator && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > 15 || decimals == 0)
        return std::nullopt;
    return double(mantissa) / Powers[decimals < 0 ? 0 : decimals];
}

double readEntry(QStringView text, const Entry &entry, QChar separator)
{
    std::array<QChar, PayloadLength + 1> buffer;
    QStringView payload = text.mid(entry.start, entry.length);
    QStringView number = payload;
    if (entry.impliedPoint) {
        // The point goes after the fifth character, or after all of a shorter, truncated payload.
        const qsizetype head = std::min<qsizetype>(payload.size(), ImpliedPointAfter);
        std::copy(payload.begin(), payload.begin() + head, buffer.begin());
        buffer[std::size_t(head)] = separator;
        std::copy(payload.begin() + head, payload.end(), buffer.begin() + head + 1);
        number = QStringView(buffer.data(), payload.size() + 1);
    }
    std::optional<double> value = readPlain(number, separator);
    if (!value)
        value = parseDecimal(number, separator);
    if (!value)
        throw AbortChunk();
    return *value;
}

} // namespace

void DecodeValueRecords(DeviceValueTable &table, QStringView text, QChar decimalSeparator)
{
    if (!text.startsWith(u'$'))
        return;

    std::array<Entry, MaxRecords> entries;
    int entryCount = 0;
    qsizetype pos = 0;
    for (int records = 0; pos < text.size() && records < MaxRecords; ++records) {
        ++pos; // the "$"
        if (pos >= text.size())
            return; // a lone "$" ends the set unread
        const QChar kind = text[pos++];
        const qsizetype length = std::min<qsizetype>(PayloadLength, text.size() - pos);
        if (kind == u'1' || kind == u'0')
            entries[std::size_t(entryCount++)] = Entry{pos, length, kind == u'0'};
        pos += length;
    }
    if (entryCount < MinEntries)
        return;

    const Entry &rowEntry = entries[RowEntry];
    const std::optional<qint32> row =
        parseInt32(text.mid(rowEntry.start, std::min<qsizetype>(rowEntry.length, ImpliedPointAfter)));
    if (!row)
        throw AbortChunk();
    if (*row < DeviceValueTable::FirstRow || *row > DeviceValueTable::LastRow)
        return; // no room for it in the table

    for (int j = 0; j < entryCount; ++j) {
        double value = readEntry(text, entries[std::size_t(j)], decimalSeparator);
        if (j >= FirstSecondsEntry && j <= LastSecondsEntry)
            value /= 3600;
        table.setValue(*row, j, value);
    }
}

} // namespace korvel
