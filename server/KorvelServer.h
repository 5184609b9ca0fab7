#pragma once

#include "AuditLog.h"
#include "Directory.h"
#include "LoginQueue.h"
#include "LoginThrottle.h"
#include "RequestHandler.h"
#include "ServerOptions.h"
#include "TlsContext.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <random>
#include <thread>

namespace korvel::server
{

class ClientSession;
class Clock;
class FieldGateway;
class ServerLog;

// The data server: accepts connections, owns the store and the simulated devices, and sends the
// unsolicited notices at the configured pace. Everything runs on one thread, driven by one Asio event
// loop (epoll on Linux), whose cost per event does not grow with the connections held.
//
// The loop runs in one of three ways: run() serves on the calling thread until close() or a signal
// (the program); runOnOwnThread() serves on a thread of the server's own (load and fairness tests);
// otherwise, inside a program with a Qt event loop, a Qt timer polls it every millisecond, so that a
// client and the server can share one thread (the end-to-end tests).
class KorvelServer final : public QObject
{
    Q_OBJECT
public:
    KorvelServer(const ServerConfig &config, const Clock &clock, const ServerLog &log,
                 ServerOptions options = {}, QObject *parent = nullptr);
    ~KorvelServer() override;

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    qsizetype sessionCount() const { return m_sessionCount.load(); }
    // Stops listening and ends every connection.
    void close();
    // Serves on this thread until close(), SIGINT or SIGTERM.
    void run();
    void runOnOwnThread();

    const ServerOptions &options() const { return m_options; }
    const ServerLog &log() const { return m_log; }
    Directory &directory() { return m_directory; }
    RequestHandler &handler() { return m_handler; }
    FieldGateway &field() { return *m_field; }
    LoginThrottle &loginThrottle() { return m_throttle; }
    // The password checks waiting for a worker, and each address's share of them.
    LoginQueue &logins();
    // One password check, on any thread; counted.
    const UserAccount *checkPassword(const QString &name, const QString &password);
    qint64 passwordChecks() const { return m_passwordChecks.load(); }
    // One line in the audit log, when there is one; a line that cannot be written is said in the log.
    void audit(const AuditLog::Entry &entry);

    // The notices; the pace timers call them, tests call them directly.
    void sendValueNotices();
    void changeFieldInput();
    void postMessage(UserAccount &user, ServerMessage message);
    void postSimulatedMessage();
    void broadcastInputs(DeviceModel &device, quint8 previous);
    // A notice to every logged-in user who sees the device.
    void noticeViewers(const DeviceModel &device, const QByteArray &notice);

    // For the sessions: the TLS settings when the port speaks TLS, none for plain TCP.
    TlsContext *tls() const { return m_tls.get(); }
    bool allowPlain() const { return m_tlsSettings.allowPlain; }
    std::array<char, 16 * 1024> &readBuffer() { return m_readBuffer; }
    qint64 steadyMs() const;
    // A refused login; unchecked when it was refused for the queue or the address's share.
    void loginRefused(const QString &address, const QString &user, bool checked = true);
    // What connections do before they log in is counted per address and summarized once per interval.
    void refusedBeforeLogin(const QString &address, const QString &why, const QString &verb);
    void endedBeforeLogin(const QString &address, const QString &reason);
    void sessionFinished(ClientSession *session);
    // Queues a turn for a session: sessions that have more to do, or whose requests cost much, take
    // turns from one queue with a time budget per pass, so the loop returns to new events between.
    void queueTurn(std::shared_ptr<ClientSession> session);

private:
    struct Network;

    void pace(size_t timer, int seconds, void (KorvelServer::*notice)());
    void accept();
    void accepted(int descriptor);
    void outOfDescriptors(int error);
    void holdReserve();
    void releaseReserve();
    void sweep();
    void closeExpired();
    void drainTurns();
    void summarize(qint64 nowMs, bool now = false);
    void summarizeNoise(double seconds);
    void closeNow();
    void listenForHangup();

    const Clock &m_clock;
    const ServerLog &m_log;
    ServerOptions m_options;
    Directory m_directory;
    RequestHandler m_handler;
    LoginThrottle m_throttle;
    AuditLog m_audit;
    QString m_auditPath;
    QStringList m_clearPasswordUsers;
    bool m_auditFailed = false;
    TlsSettings m_tlsSettings;
    std::unique_ptr<TlsContext> m_tls;
    std::unique_ptr<Network> m_net;
    std::unique_ptr<FieldGateway> m_field;
    QString m_error;
    quint16 m_port = 0;
    std::atomic<qsizetype> m_sessionCount{0};
    std::atomic<qint64> m_passwordChecks{0};
    std::atomic<bool> m_ownLoop{false};
    std::thread m_thread;
    QTimer m_pump;
    std::array<char, 16 * 1024> m_readBuffer{};
    std::mt19937 m_random{17814};
    quint64 m_nextId = 0;
    int m_simulatedMessages = 0;
    size_t m_nextMessageUser = 0;
};

} // namespace korvel::server
