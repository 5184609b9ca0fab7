#pragma once

#include <QString>
#include <array>

namespace korvel
{

class DeviceValueTable;
class Screen;
struct ClientState;

// Slots 52 to 82 on the tab "Kondansatör Durumları": the state picture of each of the 24 steps (four
// groups of six), their powers, and the phase each step hangs on; what was never received shows no
// picture, an empty power and no phase. A part of the renderer's full pass.
class CapacitorView final
{
public:
    static constexpr int Groups = 4;
    static constexpr int StepsPerGroup = 6;
    static constexpr int Steps = Groups * StepsPerGroup;

    // The pictures of a step switched in and out, looked up in the working directory.
    static const QString activePicture;
    static const QString passivePicture;

    CapacitorView(Screen &screen, const ClientState &state, const DeviceValueTable &table);

    // Draws the slots of `row`; nothing here ends the pass.
    void render(int row);

private:
    void states(int row);
    void phases(int firstStep, int row, int slot);

    Screen &m_screen;
    const ClientState &m_state;
    const DeviceValueTable &m_table;
    // Names by group and step, and the four phase boxes of each step ("R", "S", "T", "RST").
    std::array<std::array<QString, StepsPerGroup>, Groups> m_pictures;
    std::array<std::array<QString, StepsPerGroup>, Groups> m_powers;
    std::array<std::array<QString, 4>, Steps> m_phaseBoxes;
};

} // namespace korvel
