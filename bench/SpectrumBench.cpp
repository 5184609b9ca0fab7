// The spectrum of one harmonics reply: both quantities, 31 orders over 64 samples each. The reference
// beside it is a plain loop of the same number of multiply-adds (31 × 64 × 2 per quantity) over arrays
// already in memory, the least a direct evaluation can cost; the third case evaluates sin and cos for
// every term instead of looking them up.
#include "control/Spectrum.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

using namespace korvel;

namespace
{
using Samples = std::array<double, Spectrum::sampleCount>;

struct Reply {
    Samples voltage;
    Samples current;
    Reply()
    {
        for (int i = 0; i < Spectrum::sampleCount; ++i) {
            const double a = 2 * 3.14159265358979 * i / 64;
            voltage[size_t(i)] = std::round(100 * std::sin(a) + 3 * std::sin(5 * a));
            current[size_t(i)] = std::round(60 * std::sin(a - 0.4) + 9 * std::sin(3 * a + 1));
        }
    }
};

void BM_SpectrumOfOneReply(benchmark::State &state)
{
    Reply reply;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reply);
        Spectrum::Magnitudes v = Spectrum::magnitudes(reply.voltage);
        Spectrum::Magnitudes c = Spectrum::magnitudes(reply.current);
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(c);
    }
}
BENCHMARK(BM_SpectrumOfOneReply);

// The same 2 × 31 × 64 × 2 multiply-adds over plain arrays, one coefficient per term.
void BM_ReferenceMultiplyAdds(benchmark::State &state)
{
    Reply reply;
    std::array<double, Spectrum::orderCount * Spectrum::sampleCount> sine{};
    std::array<double, Spectrum::orderCount * Spectrum::sampleCount> cosine{};
    for (size_t m = 0; m < sine.size(); ++m) {
        sine[m] = std::sin(0.01 * double(m));
        cosine[m] = std::cos(0.01 * double(m));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(reply);
        for (const Samples *x : {&reply.voltage, &reply.current}) {
            std::array<double, Spectrum::orderCount> sums{};
            for (size_t k = 0; k < Spectrum::orderCount; ++k) {
                double re = 0;
                double im = 0;
                for (size_t i = 0; i < Spectrum::sampleCount; ++i) {
                    re += sine[k * Spectrum::sampleCount + i] * (*x)[i];
                    im += cosine[k * Spectrum::sampleCount + i] * (*x)[i];
                }
                sums[k] = re + im;
            }
            benchmark::DoNotOptimize(sums);
        }
    }
}
BENCHMARK(BM_ReferenceMultiplyAdds);

// Direct evaluation with sin and cos computed for every term.
void BM_SpectrumWithTrigonometryPerTerm(benchmark::State &state)
{
    Reply reply;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reply);
        for (const Samples *x : {&reply.voltage, &reply.current}) {
            Spectrum::Magnitudes h{};
            for (int k = 1; k <= Spectrum::orderCount; ++k) {
                double re = 0;
                double im = 0;
                for (int i = 0; i < Spectrum::sampleCount; ++i) {
                    const double a = i * 5.625 * k * 3.1415 / 180;
                    re += std::sin(a) * (*x)[size_t(i)];
                    im += std::cos(a) * (*x)[size_t(i)];
                }
                h[size_t(k - 1)] = std::sqrt(re * re + im * im) / 32;
            }
            benchmark::DoNotOptimize(h);
        }
    }
}
BENCHMARK(BM_SpectrumWithTrigonometryPerTerm);
} // namespace

BENCHMARK_MAIN();
