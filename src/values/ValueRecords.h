#pragma once

#include <QChar>
#include <QStringView>

namespace korvel
{

class DeviceValueTable;

// Decodes a set of "$" value records ("$" + kind + 8 characters) into the row that entry 43 names:
// kind "1" carries a number as written, kind "0" eight digits with an implied decimal point after the
// fifth, other kinds make no entry. At most 201 records are read; fewer than 45 entries store nothing,
// as does a set that ends in a lone "$" or names a row outside the table. Entries 30 to 41 are seconds
// and are stored in hours. Raw bytes and the slot cursor are not touched.
//
// Throws AbortChunk when the row field is not an integer (nothing stored) or an entry is not a number
// (the entries before it stay stored).
void DecodeValueRecords(DeviceValueTable &table, QStringView text, QChar decimalSeparator);

} // namespace korvel
