#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <array>
#include <optional>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class Screen;
struct Arrival;
struct ClientState;

// The settings block of the analyzer on the tab "Ayarlar": the read request and the writers, one per
// group of settings. A writer sends what its spin boxes' texts say; a text that is no number stops it
// with an error box before anything goes out. No reply acknowledges a write: the user reads the block
// again.
//
// A writer sends four fields at once, so a field the user never looked at overwrites what the device
// holds. A settings read therefore puts the values the device reports into the spin boxes, and a writer
// that would send a value neither read from this device nor typed by the user, or a typed value outside
// its box's range, asks first (No is the answer that sends nothing). A value as the device reported it
// goes back unasked: it changes nothing there. A typed value that differs from what the device
// reported asks too, naming the change ("CT (Akım Trafosu): 200 → 250"), since one ratio rescales every
// reading of the installation. What was read belongs to the serial number it was read from: a write to
// another device (Edit111 typed) treats every value as never read. Nothing is asked while the link is
// down, since nothing could be sent.
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

    // Data was read; a settings dump's values go into the spin boxes and the mode choice.
    void arrived(const Arrival &arrival);
    // Another device was selected: the boxes hold their first values again, none of them read.
    void deviceSelected();

private:
    struct Input {
        const char *control;
        const char *label;
    };
    std::optional<qint64> integer(const Input &input);
    std::optional<double> real(const Input &input);
    // A line for the question when the value was not read from the device nor typed, or lies outside
    // the box's range; empty when neither.
    QString doubt(const Input &input, double value) const;
    // A line for the question when the value to send differs from the one the device reported; empty
    // otherwise.
    QString change(const Input &input, double value) const;
    // Whether the boxes' read values belong to the device the writers send to.
    bool readFromTarget() const;
    bool linkUp();
    void showValue(const char *control, const QString &text);
    void send(const QString &verb, const std::array<qint64, 4> &fields, const QString &status);

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    // The boxes' first values, to show again when another device is selected.
    QHash<QString, QString> m_defaults;
    // Boxes whose text came from a read of the active device and was not changed since; boxes the user
    // typed into since the device was selected.
    QSet<QString> m_read;
    QSet<QString> m_typed;
    // What the device reported, box by box, as shown; and the serial number it was read from.
    QHash<QString, QString> m_reported;
    QString m_readSerial;
    // True while the client itself fills the boxes, whose change is then no typing.
    bool m_filling = false;
    // The read being shown is the client's own refill, which leaves typed boxes as they are.
    bool m_keepTyped = false;
};

} // namespace korvel
