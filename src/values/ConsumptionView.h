#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace korvel
{

class DeviceValueTable;
class Environment;
class Screen;
struct ClientState;

// Slots 36 to 51 on the tab "Analizör-Tüketim Değerleri": the energy counters per phase in four ranges,
// the totals that add the meter's last readings ("Sayaçtan Alınan Son Değerler") and the reactive to
// active ratios. A counter never received shows an empty face, and a total or ratio that needs one is
// empty. A part of the renderer's full pass; it remembers only the failure it last reported.
class ConsumptionView final
{
public:
    ConsumptionView(Screen &screen, Environment &environment, const ClientState &state,
                    const DeviceValueTable &table);

    // Draws the slots of `row` in slot order. False when a meter reading is not a number: the pass ends
    // there, and the user is told once for each reading that fails, not on every tick.
    bool render(int row);

private:
    // What a caption reads as in the user's decimal format.
    std::optional<double> number(const QString &control) const;
    // Whether the three active counters of the row were received.
    bool activeCountersReceived(int row) const;
    void activeTotal(int row);
    QString totalText(double reading, int row, int slot, bool capacitive) const;
    bool reactiveTotal(int row, int slot, const QString &meter, const QString &total, const QString &ratio,
                       bool capacitive);

    Screen &m_screen;
    Environment &m_environment;
    const ClientState &m_state;
    const DeviceValueTable &m_table;
    std::vector<QString> m_controls;
    // The meter and text of the failure last reported; cleared by a pass that gets through.
    QString m_reported;
};

} // namespace korvel
