#pragma once

#include <QObject>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceValueTable;
class Environment;
class ReplyText;
class Screen;
struct ClientState;

// A click on a device item makes it the active device: the views switch to its model, row 1 of the
// value table is cleared, and analyzers and relays are asked for their values with "enertum".
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    DeviceSelection(DeviceList &list, Screen &screen, Environment &environment, ClientState &state,
                    DeviceValueTable &table, Connection &connection, QObject *parent = nullptr);

    void itemClicked(int group, int item);
    void handleOffLine(ReplyText &text);
    // The text of Edit111 or Edit5 changed: the menu shows the device every request goes to.
    void activeDeviceTextChanged();

Q_SIGNALS:
    // A meter reader was selected; the meter views reset themselves.
    void meterReaderSelected();
    // A click selected a device (of any kind), before its request goes out.
    void deviceClicked();
    // The server said the device is not on line.
    void deviceOffLine();

private:
    void applyCaptionRules(const QString &caption);
    void colourItems(int group, int item);
    void selectMeterReader(int group, int item, const QString &serial);
    void selectDevice(int group, int item, int kind, const QString &serial);
    void switchViews(int kind);

    DeviceList &m_list;
    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
};

} // namespace korvel
