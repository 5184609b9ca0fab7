#pragma once

#include <QList>
#include <QStringView>

namespace korvel
{

// The numbers of a harmonics reply, read from the text after the tag and its three characters: a
// register dump ("addr$func$count$" then one "$"-ended number per byte: 64 voltage samples, 64 current
// samples and the two check bytes). Every "$199$239" counts as "$3", the device's escape of its own
// function code. Bytes above 127 are signed (200 reads as -56).
//
// The dump ends at the field separator or the message terminator: whatever follows is the end of the
// reply, not a sample. Within the dump, numbers are read while more than one character remains; a
// number that is not a whole number stops the reading, keeping what was read before it.
struct WaveformReply {
    QList<int> samples;
    bool failed = false;

    static WaveformReply read(QStringView text);
};

} // namespace korvel
