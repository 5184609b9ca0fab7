#pragma once

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>
#include <functional>

namespace korvel
{

class DeviceValueTable;

// Receives one "toplam:<value>=<check>" line per decoded group; the tool window shows them.
using DecodeLog = std::function<void(const QString &line)>;

// Decodes a register dump ("addr$func$count$b$b$...$", one decimal number per byte) into row 1 of the
// table from its slot cursor on, one slot per four bytes, and empties the table's receiveText first
// (the text may be a view of receiveText itself). Integer slots take the bytes as a little-endian
// 32-bit integer, all other slots as a big-endian single.
//
// The row ends at slot 255: a dump that reaches it stops there, with the cursor at 256; nothing beyond
// is read, logged or stored. Groups before slot 0 (a negative cursor) are read but neither stored nor
// logged. A number that is not a decimal 32-bit integer throws AbortChunk; what was stored before stays
// and the cursor keeps its advance.
void DecodeRegisterDump(DeviceValueTable &table, QStringView text, QChar decimalSeparator,
                        const DecodeLog &log);

// Stores the data bytes of a register read taken straight from the device (no dump text, so no escape
// and no number to abort on) as DecodeRegisterDump stores its groups: row 1 from the slot cursor on, one
// slot per four bytes, a shorter rest ignored, logged the same way. receiveText is not touched.
void DecodeRegisterBytes(DeviceValueTable &table, QByteArrayView data, QChar decimalSeparator,
                         const DecodeLog &log);

} // namespace korvel
