#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace korvel
{

class DeviceValueTable;
class Environment;
class Screen;
class Ticker;
struct ClientState;

// Draws the value table onto the views once a second: every slot of the slot maps goes to its display
// with its format, unit and colour. While the instantaneous view is hidden it fills the relay view's
// compact clock and current displays instead, when the table's bytes for them have changed: the reply
// "akimdegerleri" fills the same displays, and whichever came last stays on screen. Captions are written
// only when their text changes.
class ValueRenderer final : public QObject
{
    Q_OBJECT
public:
    ValueRenderer(Screen &screen, Environment &environment, const ClientState &state,
                  const DeviceValueTable &table, QObject *parent = nullptr);

    // One pass, as each tick of the renderer's timer runs it.
    void renderPass();

    // A further part of the full pass, drawn after the slots before it, for the views of another
    // subsystem. It gets the row shown and returns false to end the pass there (a failure that the
    // user has been told of).
    using Section = std::function<bool(int row)>;
    void addSection(Section section);

    // The needle position for a cos φ value: 1.0 in the centre, inductive to the right, capacitive to
    // the left, held at the ends of the scale.
    static int needlePosition(double cosPhi);

    // A device was selected: the next compact pass draws its displays whatever they held.
    void deviceSelected() { m_compactDrawn.reset(); }

private:
    void renderFull();
    void renderCompact();
    void renderSlot(int row, int slot);
    // The row in Edit1, or 0 when it names none; tells the user once per change of the text.
    int rowToShow();

    Screen &m_screen;
    Environment &m_environment;
    const ClientState &m_state;
    const DeviceValueTable &m_table;
    Ticker *m_timer;
    QString m_reportedRowText;
    std::vector<Section> m_sections;
    // The raw bytes of slots 0 to 5 of row 1 that the compact view last drew.
    std::optional<std::array<int, 24>> m_compactDrawn;
};

} // namespace korvel
