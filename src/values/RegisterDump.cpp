#include "values/RegisterDump.h"

#include "core/AbortChunk.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"
#include "values/NumberFormat.h"

#include <algorithm>
#include <cstdint>

namespace korvel
{

namespace
{

// Walks the "$"-ended numbers of a dump. Each number is read in one pass over its characters, so a
// hostile text costs no more than its length.
//
// Every "$199$239" of the text counts as "$3" (the device's escape for its own function code). Such a
// sequence can only start at a "$", and every "$" the reader passes ends the number before it, so the
// reader makes the replacement where the next number starts instead of copying the text first. As with
// a plain text replacement, digits after the sequence run on: "$199$2391$" reads as 31.
class DumpReader final
{
public:
    explicit DumpReader(QStringView text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }

    void skipNumber()
    {
        const qsizetype end = m_text.indexOf(u'$', m_pos);
        m_pos = end < 0 ? m_text.size() : end + 1;
    }

    // Leading blanks, an optional sign, decimal digits within 32 bits, then "$" or the end of the text.
    qint32 readNumber()
    {
        const QChar *begin = m_text.data();
        const QChar *end = begin + m_text.size();
        const QChar *p = begin + m_pos;
        std::int64_t magnitude = 0;
        bool negative = false;
        const QChar *digits = p;
        if (m_pos > 0 && p != end && *p == u'1' && startsWithEscape(p - 1, end)) {
            magnitude = 3;
            p += 7;
            digits = nullptr;
        } else {
            while (p != end && *p == u' ')
                ++p;
            if (p != end && (*p == u'-' || *p == u'+'))
                negative = *p++ == u'-';
            digits = p;
        }
        for (; p != end && p->unicode() >= u'0' && p->unicode() <= u'9'; ++p) {
            magnitude = magnitude * 10 + (p->unicode() - u'0');
            if (magnitude > std::int64_t(INT32_MAX) + 1)
                throw AbortChunk();
        }
        if (p == digits || (p != end && *p != u'$') || (!negative && magnitude > INT32_MAX))
            throw AbortChunk();
        m_pos = (p - begin) + (p != end ? 1 : 0);
        return qint32(negative ? -magnitude : magnitude);
    }

private:
    static bool startsWithEscape(const QChar *p, const QChar *end)
    {
        constexpr char16_t Escape[] = u"$199$239";
        constexpr int Length = 8;
        if (end - p < Length)
            return false;
        for (int i = 0; i < Length; ++i) {
            if (p[i] != Escape[i])
                return false;
        }
        return true;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

// "-1.23456789012345E-308" and the like stay well below this.
constexpr int MaxGeneralLength = 32;

// Stores one group at `slot` (0..255) of row 1 and logs it: integer slots take the bytes as a
// little-endian 32-bit integer, all other slots as a big-endian single. Inlined: the dump decoder's loop
// is measurably slower with a call per group.
[[gnu::always_inline]] inline void storeGroup(DeviceValueTable &table, int slot,
                                              const DeviceValueTable::RawBytes &bytes, QChar decimalSeparator,
                                              const DecodeLog &log, QString &line)
{
    double value;
    if (DeviceValueTable::isIntegerSlot(slot)) {
        // Summed as read: a malformed number above 255 spills into the next byte.
        const std::int64_t sum = std::int64_t(bytes[0]) + std::int64_t(bytes[1]) * 0x100 +
                                 std::int64_t(bytes[2]) * 0x10000 + std::int64_t(bytes[3]) * 0x1000000;
        value = double(std::int32_t(std::uint32_t(std::uint64_t(sum))));
    } else {
        value = Float32FromBytes(bytes[0], bytes[1], bytes[2], bytes[3]);
    }
    if (log) {
        line.resize(0);
        line.append(QStringView(u"toplam:"));
        const qsizetype start = line.size();
        appendGeneral(line, value, decimalSeparator);
        const QString::size_type length = line.size() - start;
        line.append(u'=');
        const double check = Float32CheckFromBytes(bytes[0], bytes[1], bytes[2], bytes[3]);
        if (check == value && length <= MaxGeneralLength) {
            // The usual case: format once, the two halves of the line agree.
            QChar copy[MaxGeneralLength];
            std::copy_n(line.constData() + start, length, copy);
            line.append(copy, length);
        } else {
            appendGeneral(line, check, decimalSeparator);
        }
        log(line);
    }
    table.setValue(1, slot, value);
    table.setRawBytes(1, slot, bytes);
}

} // namespace

void DecodeRegisterDump(DeviceValueTable &table, QStringView text, QChar decimalSeparator,
                        const DecodeLog &log)
{
    QString &receive = table.receiveText();
    QString keepAlive;
    const std::less<const QChar *> before;
    if (!before(text.data(), receive.constData()) &&
        before(text.data(), receive.constData() + receive.size()))
        keepAlive = receive; // shares the buffer, so emptying receiveText leaves the view valid
    receive.clear();

    DumpReader reader(text);
    reader.skipNumber();
    reader.readNumber(); // function code: only has to be a number
    const qint64 groups = reader.readNumber() / 4;

    DeviceValueTable::RawBytes bytes{0, 0, 0, 0};
    QString line;
    if (log)
        line.reserve(64);
    for (qint64 group = 0; group < groups; ++group) {
        const int slot = table.slotCursor();
        if (slot >= DeviceValueTable::SlotCount)
            break;
        if (slot < 0 && reader.atEnd()) {
            // Nothing left to read and no room to store: skip to slot 0 without spinning through
            // the groups one by one.
            const qint64 skip = std::min<qint64>(groups - group, -qint64(slot));
            table.setSlotCursor(int(slot + skip));
            group += skip - 1;
            continue;
        }
        for (qint32 &byte : bytes) {
            if (!reader.atEnd())
                byte = reader.readNumber();
        }
        if (slot >= 0)
            storeGroup(table, slot, bytes, decimalSeparator, log, line);
        table.setSlotCursor(slot + 1);
    }
}

void DecodeRegisterBytes(DeviceValueTable &table, QByteArrayView data, QChar decimalSeparator,
                         const DecodeLog &log)
{
    QString line;
    if (log)
        line.reserve(64);
    for (qsizetype at = 0; at + 4 <= data.size(); at += 4) {
        const int slot = table.slotCursor();
        if (slot >= DeviceValueTable::SlotCount)
            break;
        if (slot >= 0) {
            const DeviceValueTable::RawBytes bytes{quint8(data[at]), quint8(data[at + 1]),
                                                   quint8(data[at + 2]), quint8(data[at + 3])};
            storeGroup(table, slot, bytes, decimalSeparator, log, line);
        }
        table.setSlotCursor(slot + 1);
    }
}

} // namespace korvel
