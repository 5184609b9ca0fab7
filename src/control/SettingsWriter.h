#pragma once

#include <QObject>
#include <array>
#include <optional>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class Screen;
struct ClientState;

// The settings block of the analyzer on the tab "Ayarlar": the read request and the writers, one per
// group of settings. A writer sends what its spin boxes' texts say, also outside their ranges; a text
// that is no number stops it with an error box before anything goes out. No reply acknowledges a
// write: the user reads the block again.
class SettingsWriter final : public QObject
{
    Q_OBJECT
public:
    SettingsWriter(Screen &screen, Environment &environment, ClientState &state, DeviceValueTable &table,
                   Connection &connection, QObject *parent = nullptr);

    // Connects "Değerleri Oku", the ten writers' buttons and the mode writer's.
    void wire();

    // "Değerleri Oku": the whole block, into slots 100 on.
    void requestSettings();
    // Writer i of the table of writers (VT and CT, times, banks and modes, the six reals).
    void write(int writer);
    // "sabitrestartyaz": the capacitor switching mode. With neither choice made it sends nothing and asks
    // the user to choose: a guessed mode would switch a real bank.
    void writeSwitchingMode();

private:
    struct Input {
        const char *control;
        const char *label;
    };
    std::optional<qint64> integer(const Input &input);
    std::optional<std::array<int, 4>> real(const Input &input);
    void send(const QString &verb, const std::array<qint64, 4> &fields, const QString &status);

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
};

} // namespace korvel
