#pragma once

#include "core/ClientState.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"

#include <QObject>
#include <memory>

namespace korvel
{

class ClientWindows;
class DataReplies;
class DeviceDirectory;
class DeviceSelection;
class DeviceValueTable;
class Environment;
class GroupBarDeviceList;
class Link;
class ReplyReceiver;
class UserRights;
class ValueRenderer;

// The client put together: its windows, state, link, dispatcher and the subsystems' handlers, wired
// to each other. The program and the scenario runner build it with their own environment and link.
class Client final : public QObject
{
    Q_OBJECT
public:
    Client(Environment &environment, Link &link, ServerAddress address = {}, QObject *parent = nullptr);
    ~Client() override;

    // Shows the main window, which shows the login window.
    void start();

    ClientWindows &windows() { return *m_windows; }
    ClientState &state() { return m_state; }
    Connection &connection() { return *m_connection; }
    ReplyReceiver &receiver() { return *m_receiver; }
    ReplyDispatcher &dispatcher() { return m_dispatcher; }
    DeviceValueTable &valueTable();
    DeviceSelection &selection() { return *m_selection; }
    DataReplies &dataReplies() { return *m_dataReplies; }
    ValueRenderer &renderer() { return *m_renderer; }

Q_SIGNALS:
    // The main window was closed: the program ends.
    void finished();

private:
    void wireLoginWindow();
    void wireDirectory();
    void wireValues();
    void onMainWindowShown();
    void onLoginWindowClosed();

    Environment &m_environment;
    std::unique_ptr<ClientWindows> m_windows;
    ClientState m_state;
    ReplyDispatcher m_dispatcher;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ReplyReceiver> m_receiver;
    std::unique_ptr<GroupBarDeviceList> m_deviceList;
    std::unique_ptr<DeviceDirectory> m_directory;
    std::unique_ptr<UserRights> m_rights;
    std::unique_ptr<DeviceSelection> m_selection;
    std::unique_ptr<DataReplies> m_dataReplies;
    std::unique_ptr<ValueRenderer> m_renderer;
};

} // namespace korvel
