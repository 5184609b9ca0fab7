#pragma once

#include <QString>
#include <array>
#include <optional>

namespace korvel::CommandMessages
{

// A field that is one raw byte: the character whose code page 1254 byte is that value, so that 0 and
// bytes above 127 leave the socket as exactly that one byte.
QString rawByte(int value);

// "rolektifg": the analyzer's two output relays as one raw byte: 3 only Röle 1, 4 only Röle 2, 5 both.
// The device knows no code for neither, so there is no message for it.
std::optional<int> relaySelection(bool relay1, bool relay2);
std::optional<QString> relaySelectionRequest(const QString &device, bool relay1, bool relay2);

// "roleaktif": the overcurrent relay's outputs as the bits 16, 32 and 64 of one raw byte.
int overcurrentRelayMask(bool relay1, bool relay2, bool relay3);
QString overcurrentRelayRequest(const QString &device, bool relay1, bool relay2, bool relay3);

// "kondansatorcek" with four decimal fields: the group masks of the capacitor tab, or three "255" and
// the mask of the eight-relay panel.
QString capacitorRequest(const QString &device, const std::array<int, 4> &fields);
// The mask of switches that are on: the first adds 1, the next 2, and so on.
template <std::size_t N> int bitMask(const std::array<bool, N> &on)
{
    int mask = 0;
    for (std::size_t k = 0; k < N; ++k)
        mask |= on[k] ? 1 << k : 0;
    return mask;
}

// "resetle" with its four zero fields.
QString resetRequest(const QString &device);

// A settings writer: the verb, the device and four decimal fields ("-1" for a negative one).
QString settingsRequest(const QString &verb, const QString &device, const std::array<qint64, 4> &fields);

} // namespace korvel::CommandMessages
