#include "control/CommandMessages.h"
#include "link/Cp1254.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace
{
QByteArray wire(const QString &message)
{
    return cp1254::encode(message);
}
} // namespace

// A raw-byte field is one byte on the wire whatever its value: 0 and bytes above 127 included.
TEST(CommandMessages, RawByteFieldsTravelAsOneByte)
{
    for (int value : {0, 1, 5, 112, 127, 128, 129, 200, 244, 255}) {
        const QByteArray bytes = wire(CommandMessages::rawByte(value));
        ASSERT_EQ(bytes.size(), 1) << value;
        EXPECT_EQ(quint8(bytes[0]), value);
    }
}

TEST(CommandMessages, RelayBytes)
{
    EXPECT_EQ(CommandMessages::relaySelection(true, false), 3);
    EXPECT_EQ(CommandMessages::relaySelection(false, true), 4);
    EXPECT_EQ(CommandMessages::relaySelection(true, true), 5);
    // No code exists for neither relay: there is no message to send.
    EXPECT_EQ(CommandMessages::relaySelection(false, false), std::nullopt);
    EXPECT_EQ(CommandMessages::relaySelectionRequest(QStringLiteral("12001"), false, false), std::nullopt);
    EXPECT_EQ(wire(*CommandMessages::relaySelectionRequest(QStringLiteral("12001"), true, true)),
              QByteArray("rolektifg\x01"
                         "12001\x01\x05\x01\xF4\xF4\xF4"));
    // A zero byte is data: the message still ends with its separator and terminator.
    EXPECT_EQ(wire(CommandMessages::overcurrentRelayRequest(QStringLiteral(" 420001"), false, false, false)),
              QByteArray("roleaktif\x01 420001\x01\x00\x01\xF4\xF4\xF4", 23));
    EXPECT_EQ(CommandMessages::overcurrentRelayMask(true, true, true), 112);
    EXPECT_EQ(CommandMessages::overcurrentRelayMask(false, true, true), 96);
}

TEST(CommandMessages, CapacitorAndSettingsFields)
{
    EXPECT_EQ(CommandMessages::bitMask(std::array<bool, 6>{true, false, false, false, false, true}), 33);
    EXPECT_EQ(
        CommandMessages::bitMask(std::array<bool, 8>{true, false, false, false, false, false, false, true}),
        129);
    EXPECT_EQ(wire(CommandMessages::capacitorRequest(QStringLiteral("1"), {255, 255, 255, 129})),
              QByteArray("kondansatorcek\x01"
                         "1\x01"
                         "255\x01"
                         "255\x01"
                         "255\x01"
                         "129\x01\xF4\xF4\xF4"));
    EXPECT_EQ(wire(CommandMessages::settingsRequest(QStringLiteral("sabitbankmodyaz"), QStringLiteral("7"),
                                                    {-1, 23, 2, 4})),
              QByteArray("sabitbankmodyaz\x01"
                         "7\x01-1\x01"
                         "23\x01"
                         "2\x01"
                         "4\x01\xF4\xF4\xF4"));
    EXPECT_EQ(wire(CommandMessages::resetRequest(QStringLiteral("7"))), QByteArray("resetle\x01"
                                                                                   "7\x01"
                                                                                   "0\x01"
                                                                                   "0\x01"
                                                                                   "0\x01"
                                                                                   "0\x01\xF4\xF4\xF4"));
}
