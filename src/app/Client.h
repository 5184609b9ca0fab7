#pragma once

#include "core/ClientState.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "link/RequestLedger.h"

#include <QObject>
#include <memory>

namespace korvel
{

class ClientWindows;
class DeviceSelection;
class DeviceValueTable;
class Environment;
class GroupBarDeviceList;
class Link;
class ReplyReceiver;
class SerialPort;
class ValueRenderer;

// The client put together: its windows, state, link and dispatcher, and each subsystem installed in
// its turn. The program and the scenario runner build it with their own environment, link and serial
// port; without a port of its own the client uses the system port "COM5".
class Client final : public QObject
{
    Q_OBJECT
public:
    Client(Environment &environment, Link &link, ServerAddress address = {}, QObject *parent = nullptr);
    Client(Environment &environment, Link &link, SerialPort &serialPort, ServerAddress address = {},
           QObject *parent = nullptr);
    ~Client() override;

    // Shows the main window, which shows the login window.
    void start();

    ClientWindows &windows() { return *m_windows; }
    ClientState &state() { return m_state; }
    Connection &connection() { return *m_connection; }
    ReplyReceiver &receiver() { return *m_receiver; }
    ReplyDispatcher &dispatcher() { return m_dispatcher; }
    RequestLedger &ledger() { return m_ledger; }
    DeviceValueTable &valueTable();
    DeviceSelection &selection() { return *m_selection; }
    ValueRenderer &renderer() { return *m_renderer; }

Q_SIGNALS:
    // The main window was closed: the program ends.
    void finished();

private:
    Client(Environment &environment, Link &link, std::unique_ptr<SerialPort> ownSerialPort,
           SerialPort *serialPort, ServerAddress address, QObject *parent);
    void installSubsystems();
    void wireMainWindow();
    void wireLoginWindow();
    void onMainWindowShown();
    void onLoginWindowClosed();

    Environment &m_environment;
    std::unique_ptr<SerialPort> m_ownSerialPort;
    SerialPort &m_serialPort;
    std::unique_ptr<ClientWindows> m_windows;
    ClientState m_state;
    ReplyDispatcher m_dispatcher;
    RequestLedger m_ledger;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ReplyReceiver> m_receiver;
    std::unique_ptr<GroupBarDeviceList> m_deviceList;
    DeviceSelection *m_selection = nullptr;
    ValueRenderer *m_renderer = nullptr;
};

} // namespace korvel
