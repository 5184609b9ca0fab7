#pragma once

namespace korvel
{

class DeviceValueTable;
class Screen;
struct ClientState;

// The strips "Okunan Değerler" of the tab "Ayarlar": slots 100 to 109 of the row shown, drawn in the
// renderer's once-a-second pass. Integer slots are taken apart into their bytes; the reals are shown in
// picture formats. Slots 110 to 112 are not shown.
class SettingsReadBack final
{
public:
    SettingsReadBack(Screen &screen, const ClientState &state, const DeviceValueTable &table)
        : m_screen(screen), m_state(state), m_table(table)
    {
    }

    void draw(int row) const;

private:
    Screen &m_screen;
    const ClientState &m_state;
    const DeviceValueTable &m_table;
};

} // namespace korvel
