#pragma once

#include <QList>

#include <vector>

namespace korvel::server
{

// One register operation: a read of holding registers (function 3, split into reads of at most 125
// registers), or a write of values with function 6 (one register at a time) or 16 (all at once).
struct RegisterOperation {
    enum class Kind { Read, WriteEach, WriteAll };
    Kind kind = Kind::Read;
    int start = 0;
    int count = 0; // registers read
    QList<quint16> values;
};

// What a request to a field device comes to: its register operations, and how the bytes read are
// written into the reply the client decodes.
struct FieldPlan {
    enum class Reply {
        None,       // a command: no reply
        Slots,      // value-table words from firstSlot on: integer words least significant byte first
        Samples,    // one signed byte per waveform sample
        RelayClock, // the relay's clock and date words, then its currents
    };
    Reply reply = Reply::None;
    int firstSlot = 0;
    std::vector<RegisterOperation> operations;
};

} // namespace korvel::server
