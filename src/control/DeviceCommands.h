#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <optional>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class Screen;
struct Arrival;

namespace ChangeQuestion
{
struct Switching;
}

// The commands that switch a device's outputs or clear its state: the analyzer's two output relays,
// the eight-relay panel, the capacitor steps, the reset, and the overcurrent relay tab's commands. The
// states to send are set beforehand on toggle buttons, which keep them after sending. Each command is
// one message with no reply of its own ("AARdegerlerioku" is answered by "akimdegerleri").
//
// A command that switches equipment goes out only after the user has seen what it changes and said
// Yes: the message carries the state of every output, so a step the user did not mean to touch is
// switched too. The capacitor tab's toggles take the states the device last reported, so that sending
// them changes only what the user toggled. A state read belongs to the serial number it was read from:
// a command for another device (another item clicked, or another number typed into Edit111) treats
// that device's state as unknown. Nothing is asked while the link is down, since nothing could be sent.
class DeviceCommands final : public QObject
{
    Q_OBJECT
public:
    DeviceCommands(Screen &screen, Environment &environment, Connection &connection,
                   const DeviceValueTable &table, QObject *parent = nullptr);

    // Connects the send buttons of the command panels.
    void wire();

    // "Röleleri Çek" of the instantaneous view's two relays ("rolektifg").
    void switchOutputRelays();
    // "Röleleri Çek" of the eight-relay panel ("kondansatorcek" with three "255" fields).
    void switchRelayPanel();
    // "Kondansatörleri Devreye Al-Çıkar".
    void switchCapacitors();
    // "Reset", after the user confirms it.
    void reset();
    // The tab "Aşırı Akım Rölesi": its relays, its values, its constants.
    void switchOvercurrentRelays();
    void readOvercurrentRelay();
    void writeRelayConstants();

    // Data was read: capacitor states set the step toggles and become the state that commands to that
    // device are compared with.
    void arrived(const Arrival &arrival);
    // Another device (or the same one again) was selected: what was read of the last one is forgotten
    // and the step toggles, which showed it, are cleared.
    void deviceSelected();

private:
    bool on(const QString &toggle) const;
    void relayRequestSent();
    // Asks whether to send to the device `serial`; true for Yes.
    bool confirm(const QString &serial, const ChangeQuestion::Switching &switching);
    // False, with a word in the status line, while nothing can be sent.
    bool linkUp();

    Screen &m_screen;
    Environment &m_environment;
    Connection &m_connection;
    const DeviceValueTable &m_table;
    // The group masks of the last capacitor state read from the active device.
    std::optional<std::array<int, 4>> m_capacitorsRead;
    QString m_capacitorsSerial;
};

} // namespace korvel
