#include "control/Spectrum.h"

#include <cmath>

namespace korvel
{

namespace
{
// i · k runs from 0 to 63 · 31.
constexpr int productCount = (Spectrum::sampleCount - 1) * Spectrum::orderCount + 1;

struct Trigonometry {
    std::array<double, productCount> sine;
    std::array<double, productCount> cosine;

    Trigonometry()
    {
        for (int m = 0; m < productCount; ++m) {
            // The same operations in the same order as i · 5.625 · k · 3.1415 / 180, so the table holds
            // exactly the angles a direct evaluation would use (i · 5.625 · k is exact).
            const double a = m * 5.625 * 3.1415 / 180;
            sine[size_t(m)] = std::sin(a);
            cosine[size_t(m)] = std::cos(a);
        }
    }
};

const Trigonometry &trigonometry()
{
    static const Trigonometry table;
    return table;
}
} // namespace

Spectrum::Magnitudes Spectrum::magnitudes(std::span<const double, sampleCount> samples)
{
    const Trigonometry &t = trigonometry();
    Magnitudes result{};
    for (int k = 1; k <= orderCount; ++k) {
        double re = 0;
        double im = 0;
        for (int i = 0, m = 0; i < sampleCount; ++i, m += k) {
            re += t.sine[size_t(m)] * samples[size_t(i)];
            im += t.cosine[size_t(m)] * samples[size_t(i)];
        }
        result[size_t(k - 1)] = std::sqrt(re * re + im * im) / 32;
    }
    return result;
}

int Spectrum::barHeight(double h, double h1)
{
    constexpr double limit = 1'000'000;
    const double b = h * h1 / 4;
    if (std::isnan(b))
        return 0;
    if (b >= limit)
        return int(limit);
    if (b <= -limit)
        return -int(limit);
    // Halves to even, whatever rounding mode the process runs in.
    const double down = std::floor(b);
    const double fraction = b - down;
    double whole = down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2) != 0))
        whole = down + 1;
    return int(whole);
}

} // namespace korvel
