#include "control/FloatEncoder.h"
#include "values/FloatBytes.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace korvel;

TEST(FloatEncoder, KnownBytes)
{
    const struct {
        double x;
        std::array<int, 4> bytes;
    } cases[] = {
        {0.0, {0, 0, 0, 0}},
        {1.0, {63, 128, 0, 0}},
        {0.95, {63, 115, 51, 51}},
        // The fraction is cut, never rounded: the nearest single would end in 119.
        {0.999, {63, 127, 190, 118}},
        {0.1, {61, 204, 204, 204}},
        {10000, {70, 28, 64, 0}},
        {-2, {192, 0, 0, 0}},
        {1.5, {63, 192, 0, 0}},
        {-0.5, {191, 0, 0, 0}},
        // The smallest and the largest normal singles.
        {std::ldexp(1.0, -126), {0, 128, 0, 0}},
        {double(std::numeric_limits<float>::max()), {127, 127, 255, 255}},
        // Just below 2^128 the cut fraction stays within the largest single.
        {std::ldexp(1.0, 128) * (1 - 1e-12), {127, 127, 255, 255}},
    };
    for (const auto &c : cases) {
        const auto bytes = fb(c.x);
        ASSERT_TRUE(bytes) << c.x;
        EXPECT_EQ(*bytes, c.bytes) << c.x;
    }
}

TEST(FloatEncoder, NoBytesWithoutANormalSingle)
{
    for (double x : {std::ldexp(1.0, 128), 1e40, -1e40, std::ldexp(1.0, -127), 1e-40,
                     std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
        EXPECT_FALSE(fb(x)) << x;
}

// What the device stores is what the client decodes again, at most one unit of the 23rd bit below x.
TEST(FloatEncoder, DecodesBackToTheValueCutTowardZero)
{
    for (double x : {0.999, 0.95, 0.1, 1.0 / 3, 2.5, 1234.5678, 9999.999, -0.001}) {
        const auto b = *fb(x);
        const double back = Float32FromBytes(b[0], b[1], b[2], b[3]);
        EXPECT_LE(std::fabs(back), std::fabs(x)) << x;
        EXPECT_LT(std::fabs(x - back), std::fabs(x) * std::ldexp(1.0, -23)) << x;
    }
}
