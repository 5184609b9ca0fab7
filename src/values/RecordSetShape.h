#pragma once

#include <QStringView>
#include <optional>

namespace korvel
{

// Which slots of which row a "$" value record set fills, read as the decoder reads it: the row that
// entry 43 names and the number of entries. Nothing when the set stores nothing.
struct RecordSetShape {
    int row;
    int entries;

    static std::optional<RecordSetShape> of(QStringView text);
};

} // namespace korvel
