#pragma once

#include <array>
#include <span>

namespace korvel
{

// Harmonic magnitudes of one period held in 64 samples (5.625 degrees apart), for the orders 1 to 31,
// by direct evaluation: for order k, the sums of sin(a)·x[i] and cos(a)·x[i] with
// a = i · 5.625 · k · 3.1415 / 180, and the magnitude √(re² + im²) / 32. The constant 3.1415 stands
// for π, as the devices' own readings assume, so a pure sine of amplitude 100 reads about 99.992.
//
// The sines and cosines depend only on i · k, so they are looked up in a table built once; a spectrum
// then costs 31 × 64 × 2 multiply-adds and 31 square roots.
class Spectrum final
{
public:
    static constexpr int sampleCount = 64;
    static constexpr int orderCount = 31;
    using Magnitudes = std::array<double, orderCount>;

    // Entry k − 1 is the magnitude of order k.
    static Magnitudes magnitudes(std::span<const double, sampleCount> samples);

    // Height in pixels of the bar of magnitude h when the fundamental is h1: h · h1 / 4 taken to the
    // nearest whole number, halves to even. Clamped to ±1 000 000, far beyond any picture.
    static int barHeight(double h, double h1);
};

} // namespace korvel
