#pragma once

#include <QObject>
#include <QString>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceValueTable;
class Environment;
class ReplyText;
class Screen;
struct ClientState;

// A click on a device item makes it the active device: the views switch to its model and show nothing
// of the device before (row 1 of the value table is cleared, the heading emptied, the tabs of another
// model hidden), the item is marked, and analyzers and relays are asked for their values with
// "enertum".
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    DeviceSelection(DeviceList &list, Screen &screen, Environment &environment, ClientState &state,
                    DeviceValueTable &table, Connection &connection, QObject *parent = nullptr);

    void itemClicked(int group, int item);
    // Selects the item again after a reconnect: it becomes the active device and is marked, but nothing
    // on screen is cleared and nothing is sent.
    void restore(int group, int item);
    // The serial number of the item last selected; empty before the first selection.
    QString activeSerial() const { return m_activeSerial; }
    void handleOffLine(ReplyText &text);
    // The text of Edit111 or Edit5 changed: the menu shows the device every request goes to.
    void activeDeviceTextChanged();

Q_SIGNALS:
    // A meter reader was selected; the meter views reset themselves.
    void meterReaderSelected();
    // A click selected a device (of any kind), before its request goes out.
    void deviceClicked();
    // The server said the device with this serial number is not on line.
    void deviceOffLine(const QString &serial);

private:
    void applyCaptionRules(const QString &caption);
    void colourItems(int group, int item);
    // Edit111, Sno and the active device number from the item's serial; false (with the error box) for
    // a serial that is no number.
    bool setActiveNumber(const QString &serial);
    void selectMeterReader(int group, int item, const QString &serial);
    void select(int group, int item);
    void selectDevice(int group, int item, int kind, const QString &serial);
    void switchViews(int kind);

    DeviceList &m_list;
    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    QString m_activeSerial;
    // The item that carries the selection mark.
    int m_markedGroup = -1;
    int m_markedItem = -1;
};

} // namespace korvel
