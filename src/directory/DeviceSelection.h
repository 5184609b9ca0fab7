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

// A click on a device item makes it the active device: the views switch to its model, row 1 of the
// value table is cleared, and analyzers and relays are asked for their values with "enertum".
class DeviceSelection final : public QObject
{
    Q_OBJECT
public:
    // A request whose answer fills the active device's row, with the pending kind and the slot cursor it
    // goes out with.
    struct DataRequest {
        QString verb;
        QString kind;
        int slot = 0;
    };
    static bool isDataRequest(QStringView verb);

    DeviceSelection(DeviceList &list, Screen &screen, Environment &environment, ClientState &state,
                    DeviceValueTable &table, Connection &connection, QObject *parent = nullptr);

    void itemClicked(int group, int item);
    // Selects the item as a click would, sending `request` in place of the click's "enertum".
    void reselect(int group, int item, const DataRequest &request);
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
    // The server said the device is not on line.
    void deviceOffLine();

private:
    void applyCaptionRules(const QString &caption);
    void colourItems(int group, int item);
    void selectMeterReader(int group, int item, const QString &serial);
    void select(int group, int item, const DataRequest &request);
    void selectDevice(int group, int item, int kind, const QString &serial, const DataRequest &request);
    void switchViews(int kind);

    DeviceList &m_list;
    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    QString m_activeSerial;
};

} // namespace korvel
