#pragma once

#include "LoginThrottle.h"
#include "RequestAssembler.h"
#include "ServerOptions.h"

#include <QByteArray>
#include <QString>

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>

#include <chrono>
#include <memory>
#include <optional>

using SSL = struct ssl_st;

namespace korvel::server
{

class KorvelServer;
struct Outcome;
struct Request;
struct UserAccount;

// One client connection, in plain TCP or TLS: reassembles its requests, logs it in, hands requests to the
// server's handler and writes the replies, within a bounded backlog. It holds no read buffer while idle: it
// waits for readiness and reads into the server's shared buffer, keeping only an unfinished request.
// It handles a bounded number of requests per turn and stops reading while its replies pile up, so
// a client that sends much and reads nothing cannot take the loop from the others.
class ClientSession final : public std::enable_shared_from_this<ClientSession>
{
public:
    using Clock = std::chrono::steady_clock;

    ClientSession(asio::ip::tcp::socket socket, KorvelServer &server, quint64 id, QString address);
    ~ClientSession();

    void start();
    // One turn: handles the requests received within the turn's budget, reads more when they are done.
    void turn();
    quint64 id() const { return m_id; }
    const QString &address() const { return m_address; }
    UserAccount *user() const { return m_user; }
    bool finished() const { return m_finished; }
    // An unsolicited notice; dropped while the client is behind with reading.
    void sendNotice(const QByteArray &bytes);
    // Ends the connection now; the closing line gives the reason. A quiet end writes no line.
    void finish(const QString &reason, bool quiet = false);
    // Whether one of its deadlines has passed; closeExpired() then closes it with the reason.
    bool expired(Clock::time_point now) const;
    void closeExpired(Clock::time_point now);

private:
    // Whether the connection speaks TLS, from its first bytes; false while that is not known yet or
    // when the connection has been refused.
    bool decideLink();
    // The client's bytes, decrypted when in TLS; would_block when none wait, eof when it sends no more.
    size_t readSome(char *data, size_t size, asio::error_code &ec);
    size_t writeSome(const char *data, size_t size, asio::error_code &ec);
    size_t tlsFailed(int result, asio::error_code &ec);
    void waitReadable();
    void resumeLater();
    void handle(const Request &request);
    void askFieldDevice(const Request &request, const Outcome &outcome);
    void login(const Request &request);
    bool holdLogin();
    void releaseLogin();
    void watchWhileHeld();
    bool readWhileHeld();
    void checkLogin(const QString &name, const QString &password);
    void checked(const QString &name, const UserAccount *account);
    void checkDropped();
    void loginChecked(const QString &name, const UserAccount *account);
    void endLoginAttempt();
    void refuseUnchecked();
    void refuseLogin();
    void audit(const Request &request, const QString &outcome);
    bool send(const QByteArray &bytes);
    void flush();
    qint64 backlog() const { return m_out.size() - m_outStart; }
    void refused(const QString &why, const QString &verb = {});

    asio::ip::tcp::socket m_socket;
    enum class Link { Undecided, Plain, Tls };
    Link m_link = Link::Plain;
    SSL *m_ssl = nullptr;
    bool m_tlsWantsWrite = false; // a TLS read waits until the socket takes the handshake's bytes
    bool m_tlsWantsRead = false;  // a TLS write waits for the client's bytes
    bool m_tlsBroken = false;     // a fatal TLS or socket error: no close_notify can follow
    KorvelServer &m_server;
    const ServerOptions &m_options;
    quint64 m_id;
    QString m_address;
    QString m_peer;
    QString m_heldName; // a login held back by the throttle
    QString m_heldPassword;
    RequestAssembler m_assembler;
    QByteArray m_out;
    qsizetype m_outStart = 0;
    std::optional<asio::steady_timer> m_timer; // a held or refused login
    UserAccount *m_user = nullptr;
    qint64 m_messagesDelivered = 0; // the user's messages this connection was given
    bool m_loginHeld = false;
    bool m_loginOutstanding = false; // counted in the address's share of the login checks
    quint64 m_checkId = 0;           // a check waiting in the queue or running
    LoginThrottle::Turn m_turn;      // the throttle's turn the check took
    bool m_loginRefused = false;
    bool m_watchingHeld = false; // waiting to learn whether the client of a held login has gone
    bool m_endOfStream = false;  // the client sends no more: answer what came, then close
    bool m_finished = false;
    bool m_reading = false; // a read turn is waiting or scheduled
    bool m_inTurn = false;  // handling requests; replies are written at the end of the turn
    bool m_writing = false; // waiting to be able to write
    bool m_paused = false;  // not reading while replies wait
    bool m_heavy = false;   // its last turn used the whole budget; it works from the server's queue
    int m_requests = 0;
    int m_refusals = 0;
    int m_droppedNotices = 0;
    int m_windowRequests = 0;
    Clock::time_point m_windowStart;
    Clock::time_point m_started;
    Clock::time_point m_lastRequest;
    Clock::time_point m_lastWrite;
};

} // namespace korvel::server
