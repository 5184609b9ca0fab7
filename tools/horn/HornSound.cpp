// Writes the alarm horn "AirHornL.wav": two blasts of a two-tone air horn, 16-bit mono PCM. The sound is
// made here from its tones, so the project ships no recorded sample.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace
{

constexpr int sampleRate = 22050;

void put16(std::ofstream &out, std::uint16_t v)
{
    const char bytes[] = {char(v & 0xFF), char(v >> 8)};
    out.write(bytes, 2);
}

void put32(std::ofstream &out, std::uint32_t v)
{
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}

// A reed tone: the harmonics of a sawtooth up to 5 kHz, so nothing folds back below the sample rate.
double reed(double phase, double frequency)
{
    double sum = 0;
    for (int k = 1; k * frequency < 5000; ++k)
        sum += std::sin(k * phase) / k;
    return sum;
}

// Blast envelope: a quick attack, a steady body and a short fall.
double envelope(double t, double length)
{
    constexpr double attack = 0.03, release = 0.12;
    if (t < 0 || t > length)
        return 0;
    if (t < attack)
        return t / attack;
    if (t > length - release)
        return (length - t) / release;
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    // Two blasts of 0.6 s with a pause between, well within the 2.5 s between horn ticks.
    const double blasts[][2] = {{0.0, 0.6}, {0.75, 0.6}};
    const double total = 1.45;
    // The two reeds a major third apart, as air horns are tuned.
    const double tones[] = {370.0, 466.2};

    std::vector<std::int16_t> samples(size_t(total * sampleRate));
    double phase[2] = {0, 0};
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / sampleRate;
        double level = 0;
        for (const auto &b : blasts)
            level += envelope(t - b[0], b[1]);
        double v = 0;
        for (int r = 0; r < 2; ++r) {
            // A slight waver, as air pressure gives a real horn.
            const double f = tones[r] * (1.0 + 0.004 * std::sin(2 * std::numbers::pi * 5.5 * t));
            phase[r] += 2 * std::numbers::pi * f / sampleRate;
            v += reed(phase[r], f);
        }
        samples[i] = std::int16_t(std::lround(std::clamp(0.22 * level * v, -1.0, 1.0) * 32767));
    }

    std::ofstream out(argv[1], std::ios::binary);
    const auto dataBytes = std::uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, sampleRate);
    put32(out, sampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    for (std::int16_t s : samples)
        put16(out, std::uint16_t(s));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
