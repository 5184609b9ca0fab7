#pragma once

#include "control/Spectrum.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <optional>

namespace korvel
{

class Connection;
class ReplyText;
class Screen;
struct ClientState;

// The tab "Harmonikler": the requests of the three phases, the reading of their waveform replies, the
// waveform and spectrum pictures and the order selectors. The voltage and current samples are shared
// by the three phases and overwritten by every reply; each phase keeps its own two spectrum lists.
class Harmonics final : public QObject
{
    Q_OBJECT
public:
    static constexpr int phaseCount = 3;
    // Two values beyond the 64 samples: the current's take the two check bytes that end a reply. The
    // spectrum uses the first 64.
    static constexpr int storedSamples = Spectrum::sampleCount + 2;

    Harmonics(Screen &screen, ClientState &state, Connection &connection, QObject *parent = nullptr);

    // The pending kind whose "enerjial" replies this reads, for phase 0, 1, 2.
    static QString pendingKind(int phase);

    // "Faz1 Harmonik İste" and the other two.
    void request(int phase);
    // An "enerjial" reply while a harmonics kind is pending; consumes the rest of the chunk.
    void handleReply(int phase, ReplyText &text);
    // Computes and draws both spectra of the phase from the stored samples.
    void computeSpectrum(int phase);
    // A selector of the phase changed (quantity 0 voltage, 1 current).
    void selectorChanged(int phase, int quantity);

    // Wires the request buttons and the order selectors.
    void connectControls();

private:
    void drawWaveform(int phase, const QList<int> &samples);

    Screen &m_screen;
    ClientState &m_state;
    Connection &m_connection;
    std::array<std::array<double, storedSamples>, 2> m_samples{};
    // Per phase, per quantity: the magnitudes of the orders 1 to 31 as texts, once computed.
    std::array<std::array<std::optional<QStringList>, 2>, phaseCount> m_lists;
};

} // namespace korvel
