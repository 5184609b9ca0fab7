#include "control/Spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace korvel;

namespace
{
using Samples = std::array<double, Spectrum::sampleCount>;

// The angle step between two samples as the spectrum takes it: 5.625 degrees with 3.1415 for π.
const double step = 5.625 * 3.1415 / 180;

// Σ cos(iψ + φ) and Σ sin(iψ + φ) for i = 0 .. 63, in closed form.
double cosineSum(double psi, double phi)
{
    const int n = Spectrum::sampleCount;
    if (std::abs(std::sin(psi / 2)) < 1e-15)
        return n * std::cos(phi);
    return std::sin(n * psi / 2) / std::sin(psi / 2) * std::cos((n - 1) * psi / 2 + phi);
}
double sineSum(double psi, double phi)
{
    const int n = Spectrum::sampleCount;
    if (std::abs(std::sin(psi / 2)) < 1e-15)
        return n * std::sin(phi);
    return std::sin(n * psi / 2) / std::sin(psi / 2) * std::sin((n - 1) * psi / 2 + phi);
}

struct Tone {
    double amplitude;
    int order;
    double phase;
};

// Magnitude of order k for a sum of tones A·sin(p·i·step + φ), by the product formulas:
// sin(x)sin(y) = (cos(x−y) − cos(x+y))/2 and sin(x)cos(y) = (sin(x+y) + sin(x−y))/2.
double closedForm(std::initializer_list<Tone> tones, int k)
{
    double re = 0;
    double im = 0;
    for (const Tone &t : tones) {
        re += t.amplitude / 2 *
              (cosineSum((t.order - k) * step, t.phase) - cosineSum((t.order + k) * step, t.phase));
        im += t.amplitude / 2 *
              (sineSum((t.order + k) * step, t.phase) + sineSum((t.order - k) * step, t.phase));
    }
    return std::sqrt(re * re + im * im) / 32;
}
} // namespace

// A sine of amplitude 100 taken to whole numbers, as a device reports it: the fundamental falls a
// little short of 100 because of 3.1415, and the rounding leaves only small other orders.
TEST(Spectrum, WholeNumberSineReadsJustBelowItsAmplitude)
{
    Samples x{};
    for (int i = 0; i < Spectrum::sampleCount; ++i)
        x[size_t(i)] = std::round(100 * std::sin(2 * std::numbers::pi * i / 64));
    const Spectrum::Magnitudes h = Spectrum::magnitudes(x);
    EXPECT_NEAR(h[0], 99.9918, 1e-4);
    for (int order : {2, 3, 5})
        EXPECT_LT(h[size_t(order - 1)], 0.2) << "order " << order;
}

// Two harmonics on the spectrum's own angle grid, against the sums written in closed form: every
// order, including the leakage between the two tones and into the orders in between.
TEST(Spectrum, TwoHarmonicSignalMatchesClosedForm)
{
    const Tone fundamental{80, 1, 0.3};
    const Tone fifth{20, 5, 2.1};
    Samples x{};
    for (int i = 0; i < Spectrum::sampleCount; ++i)
        x[size_t(i)] = fundamental.amplitude * std::sin(i * step + fundamental.phase) +
                       fifth.amplitude * std::sin(5 * i * step + fifth.phase);
    const Spectrum::Magnitudes h = Spectrum::magnitudes(x);
    for (int k = 1; k <= Spectrum::orderCount; ++k)
        EXPECT_NEAR(h[size_t(k - 1)], closedForm({fundamental, fifth}, k), 1e-9) << "order " << k;
    EXPECT_NEAR(h[0], 80, 0.05);
    EXPECT_NEAR(h[4], 20, 0.05);
    EXPECT_LT(h[2], 0.05);
}

TEST(Spectrum, SilenceAndConstant)
{
    Samples zero{};
    for (double m : Spectrum::magnitudes(zero))
        EXPECT_EQ(m, 0);
    // A constant has no harmonic content on an exact grid; on the 3.1415 grid only a trace.
    Samples constant;
    constant.fill(50);
    EXPECT_LT(Spectrum::magnitudes(constant)[0], 0.01);
}

TEST(Spectrum, BarHeightRoundsHalvesToEvenAndStaysBounded)
{
    const struct {
        double h, h1;
        int bar;
    } cases[] = {
        {40, 40, 400},
        {1, 10, 2},
        {1, 14, 4},
        {1, 2, 0},
        {1, 6, 2},
        {-1, 10, -2},
        {1, 9.9996, 2},
        {1, 10.0004, 3},
        {0, 99, 0},
        {1e300, 1e300, 1000000},
        {-1e300, 1e300, -1000000},
        {std::numeric_limits<double>::quiet_NaN(), 1, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Spectrum::barHeight(c.h, c.h1), c.bar) << c.h << " × " << c.h1;
}
