#include "DeviceModel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <random>

namespace korvel::server
{

namespace
{

constexpr double twoPi = 2 * std::numbers::pi;
// Periods of the slow drifts, in seconds; unrelated to each other so the load never repeats visibly.
constexpr double wLoad = twoPi / 1800, wLoadFast = twoPi / 290, wReactive = twoPi / 1300;
constexpr double wVoltage = twoPi / 600, wVoltageFast = twoPi / 97;
constexpr double wFrequency = twoPi / 420, wFrequencyFast = twoPi / 61, wThd = twoPi / 900;
constexpr double loadSwing = 0.12, loadSwingFast = 0.05;

quint32 fnv1a(const QString &text)
{
    quint32 hash = 2166136261u;
    for (QChar c : text) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return hash;
}

float realOf(const DeviceModel::Word &w)
{
    const quint32 bits = (quint32(w[0]) << 24) | (quint32(w[1]) << 16) | (quint32(w[2]) << 8) | w[3];
    return std::bit_cast<float>(bits);
}

DeviceModel::Word wordOfReal(float value)
{
    const quint32 bits = std::bit_cast<quint32>(value);
    return {quint8(bits >> 24), quint8(bits >> 16), quint8(bits >> 8), quint8(bits)};
}

double within(float value, double low, double high, double fallback)
{
    return std::isfinite(value) && value >= low && value <= high ? double(value) : fallback;
}

// Step sizes of a bank, in units of its first step, by bank mode 0 to 4.
int multiplier(int mode, int step)
{
    switch (mode) {
    case 1:
        return step == 0 ? 1 : 2;
    case 2:
        return step == 0 ? 1 : step == 1 ? 2 : 4;
    case 3:
        return std::min(8, 1 << std::min(step, 3));
    case 4:
        return step < 2 ? 1 : 2;
    default:
        return 1;
    }
}

double tanOf(double cosPhi)
{
    return std::tan(std::acos(std::clamp(cosPhi, 0.5, 1.0)));
}

} // namespace

DeviceModel::DeviceModel(DeviceEntry entry, qint64 epochMs) : m_entry(std::move(entry)), m_epochMs(epochMs)
{
    std::mt19937 random(fnv1a(m_entry.serial));
    auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const double scale = isRelay() ? 3.0 : isMeterReader() ? 1.6 : 1.0;
    // A compensated installation draws 5 to 12 % inductive and 1 to 6 % capacitive energy over its
    // active energy, below the tariff's limits; the demo's cold store has a failed capacitor bank and
    // draws a penalty's worth, so that the reports show both.
    const bool failedBank = m_entry.serial == QLatin1String("310002");
    const double inductiveShare = failedBank ? uniform(0.23, 0.25) : uniform(0.05, 0.12);
    const double capacitiveShare = uniform(0.01, 0.06);
    for (PhaseLoad &load : m_load) {
        load.activeMean = scale * uniform(6, 16);
        load.reactiveRatio = uniform(0.55, 0.75);
        load.inductiveShare = inductiveShare * uniform(0.9, 1.1);
        load.capacitiveShare = capacitiveShare * uniform(0.9, 1.1);
        load.phaseA = uniform(0, twoPi);
        load.phaseB = uniform(0, twoPi);
        load.phaseC = uniform(0, twoPi);
        load.phaseD = uniform(0, twoPi);
        load.phaseE = uniform(0, twoPi);
    }
    m_harmonicPhase = uniform(0, twoPi);
    m_fieldInputs = quint8(random() & 0x05);
    factorySettings();
    // Analyzers show their counters since their last service, some weeks ago; meters are never reset.
    if (!isMeterReader())
        m_resetBase = recorded(epochMs - qint64(uniform(10, 30) * 86400000.0));
}

void DeviceModel::factorySettings()
{
    m_settings[0] = {0, 1, 0, 200};    // VT 1, CT 200
    m_settings[1] = {10, 10, 15, 15};  // switch-in and switch-out times, seconds
    m_settings[2] = {5, 7, 2, 2};      // six single-phase and eight three-phase steps, modes 2
    m_settings[3] = wordOfReal(2.5f);  // first kVAr, single-phase
    m_settings[4] = wordOfReal(5.0f);  // first kVAr, three-phase
    m_settings[5] = wordOfReal(0.98f); // cos limits: inductive, capacitive, single then three-phase
    m_settings[6] = wordOfReal(0.99f);
    m_settings[7] = wordOfReal(0.98f);
    m_settings[8] = wordOfReal(0.99f);
    m_settings[9] = {69, 150, 1, 0}; // automatic switching
    m_settings[10] = m_settings[11] = m_settings[12] = Word{};
    m_manualGroups = {};
}

double DeviceModel::activeKw(int phase, double t) const
{
    const PhaseLoad &l = m_load[size_t(phase)];
    return l.activeMean * (1 + loadSwing * std::sin(wLoad * t + l.phaseA) +
                           loadSwingFast * std::sin(wLoadFast * t + l.phaseB));
}

double DeviceModel::activeIntegralKwh(int phase, double t) const
{
    const PhaseLoad &l = m_load[size_t(phase)];
    const double kws = t + loadSwing / wLoad * (std::cos(l.phaseA) - std::cos(wLoad * t + l.phaseA)) +
                       loadSwingFast / wLoadFast * (std::cos(l.phaseB) - std::cos(wLoadFast * t + l.phaseB));
    return l.activeMean * kws / 3600.0;
}

double DeviceModel::loadKvar(int phase, double t) const
{
    const PhaseLoad &l = m_load[size_t(phase)];
    return l.activeMean * l.reactiveRatio * (1 + 0.15 * std::sin(wReactive * t + l.phaseC));
}

double DeviceModel::voltage(int phase, double t) const
{
    const PhaseLoad &l = m_load[size_t(phase)];
    return 230 + 2.5 * std::sin(wVoltage * t + l.phaseD) + 0.8 * std::sin(wVoltageFast * t + l.phaseE);
}

double DeviceModel::currentThd(double t) const
{
    return 0.11 + 0.04 * std::sin(wThd * t + m_harmonicPhase);
}

CapacitorBank DeviceModel::bank(const std::array<double, 3> &active, const std::array<double, 3> &load) const
{
    CapacitorBank bank;
    const Word &counts = m_settings[2];
    const int threePhase = counts[1] == 255 ? 0 : std::min(24, counts[1] + 1);
    const int singlePhase = counts[0] == 255 ? 0 : std::min(24 - threePhase, counts[0] + 1);
    const double first1 = within(realOf(m_settings[3]), 0, 10000, 0);
    const double first3 = within(realOf(m_settings[4]), 0, 10000, 0);
    for (int s = 0; s < threePhase; ++s) {
        bank.stepKvar[size_t(s)] = first3 * multiplier(counts[3], s);
        bank.stepPhase[size_t(s)] = 7;
    }
    for (int j = 0; j < singlePhase; ++j) {
        const size_t s = size_t(threePhase + j);
        bank.stepKvar[s] = first1 * multiplier(counts[2], j / 3);
        bank.stepPhase[s] = quint8(1 << (j % 3));
    }

    std::array<bool, 24> on{};
    if (automaticSwitching()) {
        // Switch in the largest steps that still fit under the need, so that what remains is a little
        // inductive and cos phi sits at the inductive limit.
        const double tan3 = tanOf(within(realOf(m_settings[7]), 0.5, 1, 0.98));
        const double tan1 = tanOf(within(realOf(m_settings[5]), 0.5, 1, 0.98));
        auto fill = [&](double need, auto belongs) {
            std::array<int, 24> order{};
            for (int s = 0; s < 24; ++s)
                order[size_t(s)] = s;
            std::stable_sort(order.begin(), order.end(), [&bank](int a, int b) {
                return bank.stepKvar[size_t(a)] > bank.stepKvar[size_t(b)];
            });
            double placed = 0;
            for (int s : order) {
                const double kvar = bank.stepKvar[size_t(s)];
                if (kvar > 0 && belongs(s) && placed + kvar <= need) {
                    on[size_t(s)] = true;
                    placed += kvar;
                }
            }
            return placed;
        };
        double need3 = 0;
        for (int k = 0; k < 3; ++k)
            need3 += std::max(0.0, load[size_t(k)] - active[size_t(k)] * tan3);
        const double placed3 = fill(need3, [&bank](int s) { return bank.stepPhase[size_t(s)] == 7; });
        for (int k = 0; k < 3; ++k) {
            const double need = load[size_t(k)] - placed3 / 3 - active[size_t(k)] * tan1;
            fill(need, [&bank, k](int s) { return bank.stepPhase[size_t(s)] == (1 << k); });
        }
    } else {
        for (int s = 0; s < 24; ++s)
            on[size_t(s)] = (m_manualGroups[size_t(s / 6)] >> (s % 6)) & 1;
    }
    for (int s = 0; s < 24; ++s) {
        if (on[size_t(s)])
            bank.groupStates[size_t(s / 6)] |= quint8(1 << (s % 6));
    }
    return bank;
}

Reading DeviceModel::read(qint64 ms) const
{
    const double t = seconds(ms);
    Reading r;
    std::array<double, 3> active{}, load{};
    for (int k = 0; k < 3; ++k) {
        const bool tripped = (m_tripMask >> k) & 1;
        active[size_t(k)] = tripped ? 0 : activeKw(k, t);
        load[size_t(k)] = tripped ? 0 : loadKvar(k, t);
    }
    std::array<double, 3> compensation{};
    if (isAnalyzer()) {
        r.bank = bank(active, load);
        for (int s = 0; s < 24; ++s) {
            if (!((r.bank.groupStates[size_t(s / 6)] >> (s % 6)) & 1))
                continue;
            const quint8 phase = r.bank.stepPhase[size_t(s)];
            for (int k = 0; k < 3; ++k) {
                if (phase == 7)
                    compensation[size_t(k)] += r.bank.stepKvar[size_t(s)] / 3;
                else if (phase == (1 << k))
                    compensation[size_t(k)] += r.bank.stepKvar[size_t(s)];
            }
        }
    } else {
        // Relays and meters sit on installations compensated elsewhere.
        for (int k = 0; k < 3; ++k)
            compensation[size_t(k)] = load[size_t(k)] * 0.7;
    }

    const double thd = currentThd(t);
    double neutralRe = 0, neutralIm = 0;
    for (int k = 0; k < 3; ++k) {
        PhaseReading &p = r.phases[size_t(k)];
        p.voltage = voltage(k, t);
        p.activeKw = active[size_t(k)];
        p.reactiveKvar = load[size_t(k)] - compensation[size_t(k)];
        const double fundamentalKva = std::hypot(p.activeKw, p.reactiveKvar);
        const double fundamentalAmps = fundamentalKva * 1000 / p.voltage;
        p.current = fundamentalAmps * std::sqrt(1 + thd * thd);
        p.apparentKva = p.voltage * p.current / 1000;
        p.cosPhi = fundamentalKva > 0 ? std::copysign(p.activeKw / fundamentalKva, p.reactiveKvar) : 1.0;
        p.powerFactor = p.apparentKva > 0 ? p.activeKw / p.apparentKva : 1.0;
        const double angle = -twoPi * k / 3 - std::atan2(p.reactiveKvar, p.activeKw);
        neutralRe += fundamentalAmps * std::cos(angle);
        neutralIm += fundamentalAmps * std::sin(angle);
    }
    for (int k = 0; k < 3; ++k) {
        const double a = r.phases[size_t(k)].voltage, b = r.phases[size_t((k + 1) % 3)].voltage;
        r.phases[size_t(k)].lineVoltage = std::sqrt(a * a + b * b + a * b);
    }
    // Triplen harmonics add up in the neutral instead of cancelling.
    const double triplen = 0.5 * thd * (r.phases[0].current + r.phases[1].current + r.phases[2].current) / 3;
    r.neutralCurrent = std::hypot(std::hypot(neutralRe, neutralIm), 3 * triplen);
    if (isRelay()) {
        // A relay reports its currents at a fixed resolution of 1/8 A, which a 32-bit float holds exactly.
        for (PhaseReading &p : r.phases)
            p.current = std::round(p.current * 8) / 8;
        r.neutralCurrent = std::round(r.neutralCurrent * 8) / 8;
    }
    r.frequency =
        50 + 0.04 * std::sin(wFrequency * t + m_load[0].phaseE) + 0.012 * std::sin(wFrequencyFast * t);
    r.inputs = inputs();
    return r;
}

Counters DeviceModel::recorded(qint64 ms) const
{
    static constexpr double installedBefore = 365 * 86400.0;
    const double t = seconds(ms);
    Counters c;
    for (int k = 0; k < 3; ++k) {
        const PhaseLoad &l = m_load[size_t(k)];
        const double energy = std::max(0.0, activeIntegralKwh(k, t) - activeIntegralKwh(k, -installedBefore));
        c.activeKwh[size_t(k)] = energy;
        c.inductiveKvarh[size_t(k)] = energy * l.inductiveShare;
        c.capacitiveKvarh[size_t(k)] = energy * l.capacitiveShare;
    }
    return c;
}

Counters DeviceModel::counters(qint64 ms) const
{
    Counters c = recorded(ms);
    for (size_t i = 0; i < 3; ++i) {
        c.activeKwh[i] = std::max(0.0, c.activeKwh[i] - m_resetBase.activeKwh[i]);
        c.inductiveKvarh[i] = std::max(0.0, c.inductiveKvarh[i] - m_resetBase.inductiveKvarh[i]);
        c.capacitiveKvarh[i] = std::max(0.0, c.capacitiveKvarh[i] - m_resetBase.capacitiveKvarh[i]);
    }
    return c;
}

QList<int> DeviceModel::waveform(int phase, qint64 ms) const
{
    const Reading r = read(ms);
    const PhaseReading &p = r.phases[size_t(std::clamp(phase, 0, 2))];
    const double t = seconds(ms);
    const double thd = currentThd(t);
    const double lag = std::atan2(p.reactiveKvar, p.activeKw);
    // Full scale: the current of the phase's mean load, with room for the peaks of the harmonics.
    const PhaseLoad &l = m_load[size_t(std::clamp(phase, 0, 2))];
    const double ratedAmps = 1.3 * l.activeMean * 1000 / 230;
    const double voltageAmplitude = 100 * p.voltage / 230;
    const double currentAmplitude = std::min(85.0, 85 * p.current / ratedAmps);
    const double drift = 0.3 * std::sin(wThd * t);
    QList<int> samples;
    samples.reserve(128);
    for (int i = 0; i < 64; ++i) {
        const double a = twoPi * i / 64;
        const double v = std::sin(a) + 0.012 * std::sin(3 * a + 0.4) + 0.025 * std::sin(5 * a + 2.1 + drift) +
                         0.015 * std::sin(7 * a + 0.9);
        samples.append(int(std::lround(voltageAmplitude * v)));
    }
    for (int i = 0; i < 64; ++i) {
        const double a = twoPi * i / 64 - lag;
        const double c = std::sin(a) + 0.5 * thd * std::sin(3 * a + 1.2 + drift) +
                         0.7 * thd * std::sin(5 * a + 2.8) + 0.45 * thd * std::sin(7 * a + 0.3 - drift);
        samples.append(int(std::lround(currentAmplitude * c)));
    }
    return samples;
}

void DeviceModel::switchCapacitors(const std::array<int, 4> &groupMasks)
{
    for (size_t g = 0; g < 4; ++g) {
        if (groupMasks[g] >= 0)
            m_manualGroups[g] = quint8(groupMasks[g] & 0x3F);
    }
    m_settings[9][2] = 0;
}

void DeviceModel::switchFirstSteps(int mask)
{
    m_manualGroups[0] = quint8(mask & 0x3F);
    m_manualGroups[1] = quint8((m_manualGroups[1] & ~0x03) | ((mask >> 6) & 0x03));
    m_settings[9][2] = 0;
}

void DeviceModel::setOutputRelays(bool first, bool second)
{
    m_relay1 = first;
    m_relay2 = second;
}

quint8 DeviceModel::setFieldInputs(quint8 bits)
{
    m_fieldInputs = bits & 0x3F;
    return inputs();
}

quint8 DeviceModel::inputs() const
{
    return quint8(m_fieldInputs | (m_relay1 ? 0x40 : 0) | (m_relay2 ? 0x80 : 0));
}

void DeviceModel::reset(qint64 ms)
{
    m_resetBase = recorded(ms);
    factorySettings();
}

} // namespace korvel::server
