#pragma once

#include "ServerConfig.h"

#include <QList>

#include <array>

namespace korvel::server
{

// One phase as the analyzer measures it at the supply, after compensation.
struct PhaseReading {
    double voltage = 0;     // phase to neutral, V
    double lineVoltage = 0; // to the next phase, V
    double current = 0;     // rms, A
    double activeKw = 0;
    double reactiveKvar = 0; // positive inductive, negative capacitive
    double apparentKva = 0;
    double cosPhi = 0; // signed like the reactive power
    double powerFactor = 0;
};

struct CapacitorBank {
    std::array<quint8, 4> groupStates{}; // bit k-1 of byte g-1: step k of group g switched in
    std::array<double, 24> stepKvar{};
    std::array<quint8, 24> stepPhase{}; // 0 unused, 1 R, 2 S, 4 T, 7 three-phase
};

struct Reading {
    std::array<PhaseReading, 3> phases;
    double frequency = 50;
    quint8 inputs = 0;
    double neutralCurrent = 0;
    CapacitorBank bank;
};

// Energy counters per phase: active, inductive reactive and capacitive reactive.
struct Counters {
    std::array<double, 3> activeKwh{};
    std::array<double, 3> inductiveKvarh{};
    std::array<double, 3> capacitiveKvarh{};
    double active() const { return activeKwh[0] + activeKwh[1] + activeKwh[2]; }
    double inductive() const { return inductiveKvarh[0] + inductiveKvarh[1] + inductiveKvarh[2]; }
    double capacitive() const { return capacitiveKvarh[0] + capacitiveKvarh[1] + capacitiveKvarh[2]; }
};

// A simulated field device. Its load is a smooth function of time, so that any instant, past ones
// included, can be read without stepping, and the energy counters are the closed-form integrals of
// that load. Commands and settings writes change its state; reads show the change.
class DeviceModel final
{
public:
    using Word = std::array<quint8, 4>;
    static constexpr int settingsWords = 13; // slots 100 to 112

    // epochMs: the instant the simulation starts; the device was installed a year before it.
    DeviceModel(DeviceEntry entry, qint64 epochMs);

    const DeviceEntry &entry() const { return m_entry; }
    bool isAnalyzer() const { return m_entry.type != u"VNR420" && m_entry.type != u"VNM530"; }
    bool isRelay() const { return m_entry.type == u"VNR420"; }
    bool isMeterReader() const { return m_entry.type == u"VNM530"; }

    Reading read(qint64 ms) const;
    // What the device shows now: counters since its last reset.
    Counters counters(qint64 ms) const;
    // What the server recorded over time, untouched by device resets.
    Counters recorded(qint64 ms) const;
    // 64 voltage then 64 current samples of one period of phase 0..2, as signed bytes.
    QList<int> waveform(int phase, qint64 ms) const;

    Word settingsWord(int index) const { return m_settings[size_t(index)]; }
    void writeSettingsWord(int index, const Word &bytes) { m_settings[size_t(index)] = bytes; }
    bool automaticSwitching() const { return m_settings[9][2] != 0; }
    // Capacitor command: one 6-bit mask per group, a negative one keeps its group. Switches to manual.
    void switchCapacitors(const std::array<int, 4> &groupMasks);
    // The eight-relay panel drives capacitor steps 1 to 8.
    void switchFirstSteps(int mask);
    // The analyzer's two output relays; their contacts are wired back to inputs 7 and 8.
    void setOutputRelays(bool first, bool second);
    // Overcurrent relay outputs: bit 0..2 trip phase 1..3.
    void setTripMask(int mask) { m_tripMask = mask & 7; }
    int tripMask() const { return m_tripMask; }
    // Inputs 1 to 6 come from the field; returns the whole input byte afterwards.
    quint8 setFieldInputs(quint8 bits);
    quint8 inputs() const;
    // Clears the consumption counters and restores the factory settings.
    void reset(qint64 ms);

private:
    struct PhaseLoad {
        double activeMean;     // kW
        double reactiveRatio;  // load's kvar per kW
        double inductiveShare; // inductive energy per active energy, after compensation
        double capacitiveShare;
        double phaseA, phaseB, phaseC, phaseD, phaseE;
    };

    double seconds(qint64 ms) const { return double(ms - m_epochMs) / 1000.0; }
    double activeKw(int phase, double t) const;
    double activeIntegralKwh(int phase, double t) const;
    double loadKvar(int phase, double t) const;
    double voltage(int phase, double t) const;
    double currentThd(double t) const;
    CapacitorBank bank(const std::array<double, 3> &activeKw, const std::array<double, 3> &loadKvar) const;
    void factorySettings();

    DeviceEntry m_entry;
    qint64 m_epochMs;
    std::array<PhaseLoad, 3> m_load{};
    double m_harmonicPhase = 0;
    std::array<Word, settingsWords> m_settings{};
    std::array<quint8, 4> m_manualGroups{};
    quint8 m_fieldInputs = 0;
    bool m_relay1 = false;
    bool m_relay2 = false;
    int m_tripMask = 0;
    Counters m_resetBase; // recorded counters at the device's last reset
};

} // namespace korvel::server
