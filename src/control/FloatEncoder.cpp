#include "control/FloatEncoder.h"

#include <cmath>
#include <cstdint>

namespace korvel
{

std::optional<std::array<int, 4>> fb(double x)
{
    if (x == 0)
        return std::array<int, 4>{0, 0, 0, 0};
    if (!std::isfinite(x))
        return std::nullopt;
    const int sign = x < 0 ? 1 : 0;
    // Halving and doubling by two are exact in a double, so m keeps every bit of |x|.
    double m = std::fabs(x);
    int e = 0;
    while (m >= 2) {
        m /= 2;
        ++e;
    }
    while (m < 1) {
        m *= 2;
        --e;
    }
    const int exponent = e + 127;
    if (exponent < 1 || exponent > 254)
        return std::nullopt;
    double f = m - 1;
    std::uint32_t fraction = 0;
    for (int k = 1; k <= 23; ++k) {
        const double weight = std::ldexp(1.0, -k);
        fraction <<= 1;
        if (f >= weight) {
            fraction |= 1;
            f -= weight;
        }
    }
    return std::array<int, 4>{128 * sign + exponent / 2, 128 * (exponent % 2) + int(fraction >> 16),
                              int((fraction >> 8) & 0xFF), int(fraction & 0xFF)};
}

} // namespace korvel
