#include "values/FloatBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace korvel;

TEST(FloatBytes, DecodesMostSignificantByteFirst)
{
    const struct {
        int b0, b1, b2, b3;
        double value, check;
    } cases[] = {
        {67, 92, 128, 0, 220.5, 220.5},
        {63, 128, 0, 0, 1.0, 1.0},
        {191, 128, 0, 0, -1.0, -1.0},
        {0, 0, 0, 0, 0.0, 0.0},
        // Subnormal: the check halves it.
        {0, 0, 0, 1, std::ldexp(1.0, -149), std::ldexp(1.0, -150)},
        {128, 64, 0, 0, -std::ldexp(1.0, -127), -std::ldexp(1.0, -128)},
        // All-ones exponent: no infinity or NaN, but the check reads on to 2^128.
        {127, 128, 0, 0, 0.0, std::ldexp(1.0, 128)},
        {255, 192, 0, 0, 0.0, -1.5 * std::ldexp(1.0, 128)},
        // Only the low 8 bits of each number count.
        {67 + 256, 92 - 512, 128, 256, 220.5, 220.5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.b0 << ',' << c.b1 << ',' << c.b2 << ',' << c.b3);
        EXPECT_EQ(Float32FromBytes(c.b0, c.b1, c.b2, c.b3), c.value);
        EXPECT_EQ(Float32CheckFromBytes(c.b0, c.b1, c.b2, c.b3), c.check);
    }
}

TEST(FloatBytes, CheckAgreesWithTheValueForNormalNumbers)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        const int b0 = byte(random), b1 = byte(random), b2 = byte(random), b3 = byte(random);
        const int exponent = (b0 & 0x7F) << 1 | b1 >> 7;
        if (exponent == 0 || exponent == 255)
            continue;
        ASSERT_EQ(Float32FromBytes(b0, b1, b2, b3), Float32CheckFromBytes(b0, b1, b2, b3));
    }
}

TEST(FloatBytes, SplitToBytesRoundsTiesToEvenAndKeepsTheLowWord)
{
    using Bytes = std::array<int, 4>;
    const struct {
        double value;
        Bytes bytes;
    } cases[] = {
        {-1.0, {255, 255, 255, 255}},
        {8412227.0, {67, 92, 128, 0}},
        {-939326975.0, {1, 2, 3, 200}},
        {2.5, {2, 0, 0, 0}},
        {3.5, {4, 0, 0, 0}},
        {-2.5, {254, 255, 255, 255}},
        {2.4999, {2, 0, 0, 0}},
        {4294967296.0 + 5, {5, 0, 0, 0}},
        {-4294967296.0 * 3 - 1, {255, 255, 255, 255}},
        {1e300, {0, 0, 0, 0}},
        {std::nan(""), {0, 0, 0, 0}},
        {-INFINITY, {0, 0, 0, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SplitToBytes(c.value), c.bytes) << c.value;
}

// What a register dump stores in an integer slot must split back into the bytes it came from.
TEST(FloatBytes, SplitToBytesGivesBackTheBytesOfAnyInt32)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int64_t> word(INT32_MIN, INT32_MAX);
    for (int i = 0; i < 20000; ++i) {
        const auto bits = std::uint32_t(word(random));
        const auto bytes = SplitToBytes(double(std::int32_t(bits)));
        ASSERT_EQ(std::uint32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | std::uint32_t(bytes[3]) << 24,
                  bits);
    }
}
