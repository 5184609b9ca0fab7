#pragma once

#include <QString>
#include <optional>

namespace korvel
{

class ReplyText;

// An "input" notice: a device's serial number, then seven "$"-ended items and the mask of its digital
// inputs, as one field.
struct InputNotice {
    QString serial;
    QString maskText;

    // The mask as an integer; nothing when the text is no whole number.
    std::optional<qint32> mask() const;
    // Whether input n (1 to 8) is set in the mask.
    static bool isSet(qint32 mask, int input) { return (mask >> (input - 1)) & 1; }

    // Reads the notice at the head of the text: the tag and the character after it, the serial number
    // and its 0x01, everything up to and including the seventh "$", then the mask and its 0x01. What
    // follows is left for the next reply.
    static InputNotice read(ReplyText &text);
};

} // namespace korvel
