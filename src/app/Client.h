#pragma once

#include "core/ClientState.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"

#include <QObject>
#include <memory>

namespace korvel {

class ClientWindows;
class Environment;
class Link;
class ReplyReceiver;

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

Q_SIGNALS:
    // The main window was closed: the program ends.
    void finished();

private:
    void wireLoginWindow();
    void onMainWindowShown();
    void onLoginWindowClosed();

    Environment &m_environment;
    std::unique_ptr<ClientWindows> m_windows;
    ClientState m_state;
    ReplyDispatcher m_dispatcher;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<ReplyReceiver> m_receiver;
};

} // namespace korvel
