#pragma once

#include "Directory.h"
#include "RequestHandler.h"
#include "ServerOptions.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QTimer>

#include <random>

namespace korvel::server
{

class ClientSession;
class Clock;
class ServerLog;

// The data server: accepts connections, owns the store and the simulated devices, and sends the
// unsolicited notices at the configured pace. Everything runs on one thread, driven by events.
class KorvelServer final : public QObject
{
    Q_OBJECT
public:
    KorvelServer(const ServerConfig &config, const Clock &clock, const ServerLog &log,
                 ServerOptions options = {}, QObject *parent = nullptr);
    ~KorvelServer() override;

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_tcp.errorString(); }
    quint16 port() const { return m_tcp.serverPort(); }
    qsizetype sessionCount() const { return m_sessions.size(); }
    // Stops listening and ends every connection.
    void close();

    const ServerOptions &options() const { return m_options; }
    const ServerLog &log() const { return m_log; }
    Directory &directory() { return m_directory; }
    RequestHandler &handler() { return m_handler; }

    // The notices; the pace timers call them, tests call them directly.
    void sendValueNotices();
    void changeFieldInput();
    void postMessage(UserAccount &user, ServerMessage message);
    void postSimulatedMessage();
    void broadcastInputs(DeviceModel &device, quint8 previous);

Q_SIGNALS:
    void sessionEnded();

private:
    void accept();

    const Clock &m_clock;
    const ServerLog &m_log;
    ServerOptions m_options;
    Directory m_directory;
    RequestHandler m_handler;
    QTcpServer m_tcp;
    QSet<ClientSession *> m_sessions;
    QTimer m_valuesTimer;
    QTimer m_inputsTimer;
    QTimer m_messagesTimer;
    std::mt19937 m_random{17814};
    quint64 m_nextId = 0;
    int m_simulatedMessages = 0;
    size_t m_nextMessageUser = 0;
};

} // namespace korvel::server
