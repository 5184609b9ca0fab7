#include "values/FloatBytes.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace korvel
{

namespace
{

std::uint32_t bitsOf(int b0, int b1, int b2, int b3)
{
    return (std::uint32_t(b0) & 0xFFu) << 24 | (std::uint32_t(b1) & 0xFFu) << 16 |
           (std::uint32_t(b2) & 0xFFu) << 8 | (std::uint32_t(b3) & 0xFFu);
}

constexpr std::uint32_t ExponentMask = 0x7F800000u;

} // namespace

double Float32FromBytes(int b0, int b1, int b2, int b3)
{
    const std::uint32_t bits = bitsOf(b0, b1, b2, b3);
    if ((bits & ExponentMask) == ExponentMask)
        return 0.0;
    // Normal and subnormal singles widen to double exactly.
    return double(std::bit_cast<float>(bits));
}

double Float32CheckFromBytes(int b0, int b1, int b2, int b3)
{
    const std::uint32_t bits = bitsOf(b0, b1, b2, b3);
    const int exponent = int((bits >> 23) & 0xFFu);
    double f = double(bits & 0x7FFFFFu) / 8388608.0;
    if (exponent != 0)
        f += 1.0;
    const double result = std::ldexp(f, exponent - 127);
    return (bits & 0x80000000u) ? -result : result;
}

std::array<int, 4> SplitToBytes(double value)
{
    if (!std::isfinite(value))
        return {0, 0, 0, 0};
    // fmod is exact, so the low 32 bits of the rounded value come out right at any magnitude.
    constexpr double TwoTo32 = 4294967296.0;
    double low = std::fmod(std::nearbyint(value), TwoTo32);
    if (low < 0)
        low += TwoTo32;
    const auto bits = std::uint32_t(low);
    return {int(bits & 0xFFu), int(bits >> 8 & 0xFFu), int(bits >> 16 & 0xFFu), int(bits >> 24 & 0xFFu)};
}

} // namespace korvel
