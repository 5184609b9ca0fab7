// The two value decoders on arbitrary text, from every slot cursor: nothing outside the table.
#include "FuzzInput.h"
#include "core/AbortChunk.h"
#include "values/DeviceValueTable.h"
#include "values/RegisterDump.h"
#include "values/ValueRecords.h"

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static DeviceValueTable table;
    const QString text = fuzz::wireText(data + 1, size - 1);
    const QChar separator = data[0] & 1 ? QLatin1Char(',') : QLatin1Char('.');
    // A malformed number ends the decoding with AbortChunk, which ends the handling of the chunk: that
    // is the decoders' failure path, not a fault.
    try {
        if (data[0] & 2) {
            DecodeValueRecords(table, text, separator);
        } else {
            table.setSlotCursor(int(data[0] >> 2) * 5 - 20);
            size_t lines = 0;
            DecodeRegisterDump(table, text, separator, [&lines](const QString &) { ++lines; });
        }
    } catch (const AbortChunk &) {
    }
    return 0;
}
