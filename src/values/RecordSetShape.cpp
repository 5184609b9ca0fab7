#include "values/RecordSetShape.h"

#include "core/NumberText.h"
#include "values/DeviceValueTable.h"

#include <algorithm>

namespace korvel
{

std::optional<RecordSetShape> RecordSetShape::of(QStringView text)
{
    constexpr int MaxRecords = 201, MinEntries = 45, RowEntry = 43, PayloadLength = 8;
    if (!text.startsWith(u'$'))
        return std::nullopt;
    int entries = 0;
    std::optional<qint32> row;
    qsizetype pos = 0;
    for (int records = 0; pos < text.size() && records < MaxRecords; ++records) {
        ++pos;
        if (pos >= text.size())
            return std::nullopt;
        const QChar kind = text[pos++];
        const qsizetype length = std::min<qsizetype>(PayloadLength, text.size() - pos);
        if (kind == u'1' || kind == u'0') {
            if (entries == RowEntry)
                row = parseInt32(text.mid(pos, std::min<qsizetype>(length, 5)));
            ++entries;
        }
        pos += length;
    }
    if (entries < MinEntries || !row || *row < DeviceValueTable::FirstRow || *row > DeviceValueTable::LastRow)
        return std::nullopt;
    return RecordSetShape{*row, entries};
}

} // namespace korvel
