#pragma once

#include <QObject>

namespace korvel
{

class Connection;
class Environment;
class Screen;

// The commands that switch a device's outputs or clear its state: the analyzer's two output relays,
// the eight-relay panel, the capacitor steps, the reset, and the overcurrent relay tab's commands. The
// states to send are set beforehand on toggle buttons, which keep them after sending. Each command is
// one message with no reply of its own ("AARdegerlerioku" is answered by "akimdegerleri").
class DeviceCommands final : public QObject
{
    Q_OBJECT
public:
    DeviceCommands(Screen &screen, Environment &environment, Connection &connection,
                   QObject *parent = nullptr);

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

private:
    bool on(const QString &toggle) const;
    void relayRequestSent();

    Screen &m_screen;
    Environment &m_environment;
    Connection &m_connection;
};

} // namespace korvel
