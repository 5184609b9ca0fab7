#pragma once

#include <QByteArray>
#include <QList>

#include <array>

namespace korvel::server
{

// A device's answer to a register read, written as the text the client decodes: address, function
// code 3, byte count, the data bytes and the two CRC bytes, each as a decimal number ended by "$".
class RegisterDump final
{
public:
    // A real as IEEE-754 single precision, most significant byte first.
    void addFloat(double value);
    // A 32-bit integer, least significant byte first.
    void addInteger(quint32 value);
    // Four bytes as the device stores them, in order; mostSignificantFirst tells which end of the word
    // matters more (a real's bytes start with the most significant one, an integer's with the least).
    void addWord(const std::array<quint8, 4> &bytes, bool mostSignificantFirst = false);
    // One signed byte (a waveform sample), clamped to -128..127.
    void addSample(int sample);

    int byteCount() const { return int(m_bytes.size()); }
    // The data bytes as the device holds them, before the text's escape rule alters any.
    QByteArray bytes() const;
    QByteArray text(quint8 address = 1) const;

private:
    // Significance of a byte within its value, 0 the least; used to pick the byte to alter when the
    // stream would hold the pair the client reads as one number.
    struct Byte {
        quint8 value;
        quint8 rank;
    };
    QList<Byte> m_bytes;
};

} // namespace korvel::server
