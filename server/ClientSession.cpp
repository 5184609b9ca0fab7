#include "ClientSession.h"

#include "Directory.h"
#include "FieldGateway.h"
#include "KorvelServer.h"
#include "LoginThrottle.h"
#include "ReplyBuilder.h"
#include "Request.h"
#include "RequestHandler.h"
#include "ServerLog.h"

#include <asio/buffer.hpp>
#include <asio/error.hpp>
#include <asio/post.hpp>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/socket.h>

namespace korvel::server
{

namespace
{

// Work for one client in one turn, at least one request: bounded so that the others wait little.
constexpr auto turnBudget = std::chrono::microseconds(100);
constexpr int sendBufferBytes = 16 * 1024;
// Requests are not read while more replies than this wait for the client: a client that does not read
// costs a bounded amount of work, not as much as it can send.
constexpr qint64 readPauseBytes = 16 * 1024;

qint64 msBetween(ClientSession::Clock::time_point from, ClientSession::Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

} // namespace

ClientSession::ClientSession(asio::ip::tcp::socket socket, KorvelServer &server, quint64 id, QString address)
    : m_socket(std::move(socket)), m_server(server), m_options(server.options()), m_id(id),
      m_address(std::move(address)), m_assembler(server.options().maxRequestBytes)
{
    asio::error_code ec;
    const auto remote = m_socket.remote_endpoint(ec);
    m_peer = m_address + u':' + QString::number(ec ? 0 : remote.port());
    // Replies are small and each is written whole; waiting to coalesce them only adds latency.
    m_socket.set_option(asio::ip::tcp::no_delay(true), ec);
    m_socket.non_blocking(true, ec);
    // A fixed send buffer: replies are small, and a client that stops reading then stops costing work
    // after a bounded amount instead of after the megabytes an auto-tuned buffer would take.
    m_socket.set_option(asio::socket_base::send_buffer_size(sendBufferBytes), ec);
    m_started = m_lastRequest = m_windowStart = Clock::now();
    if (m_server.tls())
        m_link = Link::Undecided;
}

ClientSession::~ClientSession()
{
    if (m_ssl)
        SSL_free(m_ssl);
}

bool ClientSession::decideLink()
{
    unsigned char head[2];
    const ssize_t n = ::recv(m_socket.native_handle(), head, sizeof head, MSG_PEEK);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        waitReadable();
        return false;
    }
    if (n <= 0) {
        finish(n == 0 ? QStringLiteral("closed by the client") : QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    // A TLS connection opens with a handshake record: type 22, then the major version 3.
    if (head[0] == 0x16 && (n < 2 || head[1] == 0x03)) {
        m_ssl = SSL_new(m_server.tls()->native());
        if (!m_ssl || SSL_set_fd(m_ssl, m_socket.native_handle()) != 1) {
            finish(QStringLiteral("TLS: ") + lastTlsError());
            return false;
        }
        SSL_set_accept_state(m_ssl);
        m_link = Link::Tls;
        return true;
    }
    if (m_server.allowPlain()) {
        m_link = Link::Plain;
        return true;
    }
    // Nothing is answered: whatever a plain client sent, a password perhaps, was in clear already.
    // Counted with the other noise before a login, not a line each: anyone can knock in plain TCP.
    finish(QStringLiteral("plain TCP on the TLS port, closed unanswered"));
    return false;
}

size_t ClientSession::readSome(char *data, size_t size, asio::error_code &ec)
{
    if (!m_ssl)
        return m_socket.read_some(asio::buffer(data, size), ec);
    ERR_clear_error();
    errno = 0;
    m_tlsWantsWrite = false;
    const int n = SSL_read(m_ssl, data, int(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
        ec = {};
        return size_t(n);
    }
    return tlsFailed(n, ec);
}

size_t ClientSession::writeSome(const char *data, size_t size, asio::error_code &ec)
{
    if (!m_ssl)
        return m_socket.write_some(asio::buffer(data, size), ec);
    ERR_clear_error();
    errno = 0;
    m_tlsWantsRead = false;
    const int n = SSL_write(m_ssl, data, int(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
        ec = {};
        return size_t(n);
    }
    return tlsFailed(n, ec);
}

size_t ClientSession::tlsFailed(int result, asio::error_code &ec)
{
    const int error = SSL_get_error(m_ssl, result);
    switch (error) {
    case SSL_ERROR_WANT_READ:
        m_tlsWantsRead = true;
        ec = asio::error::would_block;
        break;
    case SSL_ERROR_WANT_WRITE:
        m_tlsWantsWrite = true;
        ec = asio::error::would_block;
        break;
    case SSL_ERROR_ZERO_RETURN:
        ec = asio::error::eof;
        break;
    case SSL_ERROR_SYSCALL:
        m_tlsBroken = true;
        ec = errno != 0 ? asio::error_code(errno, asio::error::get_system_category())
                        : asio::error_code(asio::error::eof);
        break;
    default:
        // A failed handshake or a damaged record: the connection cannot go on.
        m_tlsBroken = true;
        ec = asio::error::operation_aborted;
        finish((SSL_is_init_finished(m_ssl) ? QStringLiteral("TLS: ")
                                            : QStringLiteral("TLS handshake failed: ")) +
               lastTlsError());
        break;
    }
    return 0;
}

void ClientSession::start()
{
    // Bytes may be there already; readiness that came before the first wait would not be reported.
    resumeLater();
}

void ClientSession::resumeLater()
{
    if (m_reading || m_finished)
        return;
    m_reading = true;
    m_server.queueTurn(shared_from_this());
}

void ClientSession::waitReadable()
{
    m_reading = true;
    m_socket.async_wait(m_tlsWantsWrite ? asio::socket_base::wait_write : asio::socket_base::wait_read,
                        [self = shared_from_this()](const asio::error_code &ec) {
                            if (ec)
                                return;
                            // A client whose requests cost much waits for its turn in the server's queue,
                            // behind the light ones that are answered at once.
                            self->m_reading = false;
                            if (self->m_heavy)
                                self->resumeLater();
                            else
                                self->turn();
                        });
}

void ClientSession::turn()
{
    m_reading = false;
    if (m_finished || m_loginHeld)
        return;
    m_inTurn = true;
    const auto now = Clock::now();
    if (msBetween(m_windowStart, now) >= 1000) {
        m_windowStart = now;
        m_windowRequests = 0;
    }
    m_paused = false;
    int handled = 0;
    bool drained = false;
    bool spent = false;
    while (!m_finished) {
        while (!m_finished && !m_loginHeld &&
               backlog() <= std::min(readPauseBytes, m_options.noticeBacklog)) {
            if (handled > 0 && (handled >= m_options.requestsPerTurn || Clock::now() - now > turnBudget)) {
                spent = true;
                break;
            }
            const std::optional<QByteArray> bytes = m_assembler.next();
            if (!bytes) {
                // What is left has no terminator.
                if (m_assembler.overflowed()) {
                    refused(QStringLiteral("more than %1 bytes without a terminator")
                                .arg(m_options.maxRequestBytes));
                    finish(QStringLiteral("request too long"));
                    return;
                }
                break;
            }
            ++handled;
            ++m_requests;
            m_lastRequest = now;
            if (m_options.maxRequestsPerSecond > 0 && ++m_windowRequests > m_options.maxRequestsPerSecond) {
                refused(
                    QStringLiteral("more than %1 requests in a second").arg(m_options.maxRequestsPerSecond));
                finish(QStringLiteral("too many requests"));
                return;
            }
            handle(Request::parse(*bytes));
        }
        if (m_finished || m_loginHeld)
            break;
        if (backlog() > std::min(readPauseBytes, m_options.noticeBacklog)) {
            // Read on once the client has taken its replies; flush resumes.
            m_paused = true;
            break;
        }
        if (spent) {
            m_heavy = true;
            resumeLater();
            break;
        }
        if (m_endOfStream)
            break;
        if (drained) {
            waitReadable();
            break;
        }
        if (m_link == Link::Undecided && !decideLink())
            break;
        auto &buffer = m_server.readBuffer();
        asio::error_code ec;
        const size_t n = readSome(buffer.data(), buffer.size(), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again) {
            waitReadable();
            break;
        }
        if (ec == asio::error::eof) {
            // A half-close: every complete request has been handled; their replies still go out,
            // and flush() closes the connection once they have.
            m_endOfStream = true;
            break;
        }
        if (ec) {
            finish(ec == asio::error::eof || ec == asio::error::connection_reset
                       ? QStringLiteral("closed by the client")
                       : QString::fromStdString(ec.message()));
            return;
        }
        // A short read emptied the socket; anything later is reported as new readiness. A TLS read
        // gives one record at a time, so only a read that finds nothing says the socket is empty.
        drained = !m_ssl && n < buffer.size();
        m_assembler.append(QByteArrayView(buffer.data(), qsizetype(n)));
    }
    // Requests handled well within the budget make the client light again; a turn that found
    // nothing to do says nothing about the cost of its requests.
    if (handled > 0 && !spent && Clock::now() - now < turnBudget / 4)
        m_heavy = false;
    m_inTurn = false;
    flush();
}

void ClientSession::handle(const Request &request)
{
    if (m_loginRefused)
        return;
    if (request.verb == u"kulsifre") {
        login(request);
        return;
    }
    if (!m_user) {
        refused(QStringLiteral("request before login"), request.verb.left(40));
        return;
    }
    const Outcome outcome = m_server.handler().handle(*m_user, request, &m_messagesDelivered);
    if (outcome.field)
        return askFieldDevice(request, outcome);
    if (!outcome.refusal.isEmpty())
        refused(outcome.refusal);
    // Recorded before any reply is queued: a client never sees the answer to a command that has no line.
    if (!outcome.refusal.isEmpty())
        audit(request, QStringLiteral("refused: ") + outcome.refusal);
    else if (RequestHandler::changesDevice(request.verb))
        audit(request, outcome.deviceOffline ? QStringLiteral("device off line") : QStringLiteral("done"));
    for (const QByteArray &reply : outcome.replies) {
        if (!send(reply))
            return;
    }
    if (outcome.inputsChanged)
        m_server.broadcastInputs(*outcome.inputsChanged, outcome.previousInputs);
}

// A field device answers later; its command is recorded with what the device said, before the replies.
void ClientSession::askFieldDevice(const Request &request, const Outcome &outcome)
{
    m_server.field().submit(
        *outcome.fieldDevice, *outcome.field,
        [self = shared_from_this(), request](const QList<QByteArray> &replies, const QString &result) {
            if (RequestHandler::changesDevice(request.verb))
                self->audit(request, result);
            for (const QByteArray &reply : replies) {
                if (!self->send(reply))
                    return;
            }
        });
}

void ClientSession::audit(const Request &request, const QString &outcome)
{
    const bool carriesDevice = request.verb != u"sabitleriyaz" && request.verb != u"yenimesajiste";
    AuditLog::Entry entry;
    entry.user = m_user->name;
    entry.address = m_address;
    entry.device = carriesDevice ? request.field(0).trimmed().left(40) : QString();
    entry.verb = request.verb.left(40);
    // Every field, whole: the request's size limit bounds the line.
    entry.fields = request.fields.mid(carriesDevice ? 1 : 0);
    entry.outcome = outcome;
    m_server.audit(entry);
}

void ClientSession::login(const Request &request)
{
    m_heldName = request.field(0);
    m_heldPassword = request.field(1);
    // An address gets a fair share of the checks: past it, a login is refused without one.
    if (!m_server.logins().enter(m_address, m_server.steadyMs())) {
        refuseUnchecked();
        return;
    }
    m_loginOutstanding = true;
    if (!holdLogin()) {
        checkLogin(m_heldName, m_heldPassword);
        m_heldPassword.clear();
    }
}

// Holds the login while the throttle says so; requests behind it wait with it. The throttle reserves
// nothing for a held attempt: it asks again when the time comes.
bool ClientSession::holdLogin()
{
    const qint64 wait = m_server.loginThrottle().wait(m_address, m_heldName, m_server.steadyMs());
    if (wait <= 0)
        return false;
    m_loginHeld = true;
    m_timer.emplace(m_socket.get_executor());
    m_timer->expires_after(std::chrono::milliseconds(wait));
    m_timer->async_wait([self = shared_from_this()](const asio::error_code &ec) {
        if (!ec && !self->m_finished)
            self->releaseLogin();
    });
    if (!m_watchingHeld)
        watchWhileHeld();
    return true;
}

void ClientSession::releaseLogin()
{
    // An attempt whose client has gone is dropped unchecked: it counts for nothing.
    readWhileHeld();
    if (m_finished || holdLogin())
        return;
    m_loginHeld = false;
    checkLogin(m_heldName, m_heldPassword);
    m_heldPassword.clear();
    flush();
    resumeLater();
}

// A held connection is watched, so that one whose client goes away ends at once rather than when its
// turn comes.
void ClientSession::watchWhileHeld()
{
    m_watchingHeld = true;
    m_socket.async_wait(asio::socket_base::wait_read,
                        [self = shared_from_this()](const asio::error_code &ec) {
                            self->m_watchingHeld = false;
                            if (!ec && !self->m_finished && self->m_loginHeld && self->readWhileHeld())
                                self->watchWhileHeld();
                        });
}

// Takes what the client sent behind its held login, to learn whether it has gone. False when it has,
// or when enough waits that reading on would only cost memory.
bool ClientSession::readWhileHeld()
{
    auto &buffer = m_server.readBuffer();
    while (!m_finished && m_assembler.pendingBytes() <= readPauseBytes) {
        asio::error_code ec;
        const size_t n = readSome(buffer.data(), buffer.size(), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again)
            return true;
        if (ec) {
            finish(ec == asio::error::eof || ec == asio::error::connection_reset
                       ? QStringLiteral("closed by the client while its login waited")
                       : QString::fromStdString(ec.message()));
            return false;
        }
        m_assembler.append(QByteArrayView(buffer.data(), qsizetype(n)));
    }
    return false;
}

void ClientSession::checkLogin(const QString &name, const QString &password)
{
    // The check takes the address's turn: the other connections it holds wait for the next period.
    m_turn = m_server.loginThrottle().admit(m_address, name, m_server.steadyMs());
    if (!m_server.directory().slowAuthentication()) {
        loginChecked(name, m_server.checkPassword(name, password));
        return;
    }
    // An Argon2id check takes a good part of a second: it waits for a worker, and the requests behind
    // the login wait with it. The queue keeps the session until the check has run or been dropped.
    m_loginHeld = true;
    m_heldName = name;
    KorvelServer *server = &m_server;
    m_checkId = m_server.logins().submit(
        m_address, [server, name, password] { return server->checkPassword(name, password); },
        [self = shared_from_this(), name](const UserAccount *account) { self->checked(name, account); },
        [self = shared_from_this()] { self->checkDropped(); });
    if (m_checkId == 0) {
        checkDropped();
        return;
    }
    if (!m_watchingHeld)
        watchWhileHeld();
}

void ClientSession::checked(const QString &name, const UserAccount *account)
{
    m_checkId = 0;
    if (m_finished) {
        // The check ran: a wrong password counts, though its client has gone.
        if (!account) {
            m_server.loginThrottle().failed(m_address, name, m_server.steadyMs());
            m_server.loginRefused(m_address, name);
        }
        return;
    }
    m_loginHeld = false;
    loginChecked(name, account);
    flush();
    resumeLater();
}

// The check did not get a place in the queue, or lost it to a better ranked one.
void ClientSession::checkDropped()
{
    m_checkId = 0;
    m_server.loginThrottle().withdraw(m_turn);
    m_loginHeld = false;
    refuseUnchecked();
    flush();
}

void ClientSession::endLoginAttempt()
{
    if (m_loginOutstanding) {
        m_loginOutstanding = false;
        m_server.logins().leave(m_address);
    }
}

void ClientSession::refuseUnchecked()
{
    m_heldPassword.clear();
    m_server.loginRefused(m_address, m_heldName, false);
    refuseLogin();
}

// A refused login closes its connection after a short delay, checked or not, so that the time of the
// answer tells nothing and a guesser cannot reconnect at full speed.
void ClientSession::refuseLogin()
{
    endLoginAttempt();
    m_user = nullptr;
    m_loginRefused = true;
    m_timer.emplace(m_socket.get_executor());
    m_timer->expires_after(std::chrono::milliseconds(m_options.refusedLoginDelayMs));
    m_timer->async_wait([self = shared_from_this()](const asio::error_code &ec) {
        if (!ec)
            self->finish(QStringLiteral("login refused"), true);
    });
}

void ClientSession::loginChecked(const QString &name, const UserAccount *account)
{
    if (!account) {
        m_server.loginThrottle().failed(m_address, name, m_server.steadyMs());
        m_server.loginRefused(m_address, name);
        refuseLogin();
        return;
    }
    endLoginAttempt();
    m_server.loginThrottle().succeeded(m_address);
    m_user = m_server.directory().user(account->name);
    m_messagesDelivered = 0;
    m_lastRequest = Clock::now();
    for (const DeviceModel *device : m_server.directory().visibleDevices(*m_user)) {
        if (!send(ReplyBuilder::device(device->entry())))
            return;
    }
    if (send(ReplyBuilder::viewRights(*m_user)))
        send(ReplyBuilder::commandRights(*m_user));
}

bool ClientSession::send(const QByteArray &bytes)
{
    if (m_finished)
        return false;
    if (backlog() + bytes.size() > m_options.replyBacklog) {
        finish(QStringLiteral("client stopped reading (%1 bytes waiting)").arg(backlog()));
        return false;
    }
    if (backlog() == 0)
        m_lastWrite = Clock::now();
    m_out.append(bytes);
    // Within a read turn the replies go out together at its end.
    if (!m_inTurn && !m_writing)
        flush();
    return true;
}

void ClientSession::flush()
{
    if (m_finished || m_writing)
        return;
    while (backlog() > 0) {
        asio::error_code ec;
        const size_t n = writeSome(m_out.constData() + m_outStart, size_t(backlog()), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again)
            break;
        if (ec) {
            finish(ec == asio::error::broken_pipe || ec == asio::error::connection_reset
                       ? QStringLiteral("closed by the client")
                       : QString::fromStdString(ec.message()));
            return;
        }
        m_outStart += qsizetype(n);
        m_lastWrite = Clock::now();
    }
    if (backlog() == 0) {
        m_out.clear();
        m_outStart = 0;
        if (m_endOfStream && !m_inTurn) {
            finish(QStringLiteral("closed by the client"));
            return;
        }
    } else {
        if (m_outStart > m_out.size() / 2) {
            m_out.remove(0, m_outStart);
            m_outStart = 0;
        }
        m_writing = true;
        m_socket.async_wait(m_tlsWantsRead ? asio::socket_base::wait_read : asio::socket_base::wait_write,
                            [self = shared_from_this()](const asio::error_code &ec) {
                                self->m_writing = false;
                                if (!ec)
                                    self->flush();
                            });
    }
    if (m_paused && backlog() <= std::min(readPauseBytes, m_options.noticeBacklog) / 2)
        resumeLater();
}

void ClientSession::sendNotice(const QByteArray &bytes)
{
    if (m_finished || !m_user)
        return;
    if (backlog() + bytes.size() > m_options.noticeBacklog) {
        ++m_droppedNotices;
        return;
    }
    send(bytes);
}

bool ClientSession::expired(Clock::time_point now) const
{
    if (m_finished)
        return false;
    return (!m_user && !m_loginHeld && !m_loginRefused &&
            msBetween(m_started, now) > m_options.loginDeadlineMs) ||
           (m_user && msBetween(m_lastRequest, now) > m_options.idleTimeoutMs) ||
           (backlog() > 0 && msBetween(m_lastWrite, now) > m_options.writeStallMs);
}

void ClientSession::closeExpired(Clock::time_point now)
{
    if (!expired(now))
        return;
    if (!m_user && !m_loginHeld && !m_loginRefused && msBetween(m_started, now) > m_options.loginDeadlineMs)
        finish(QStringLiteral("no login within %1 s").arg(m_options.loginDeadlineMs / 1000.0));
    else if (m_user && msBetween(m_lastRequest, now) > m_options.idleTimeoutMs)
        finish(QStringLiteral("no request for %1 s").arg(m_options.idleTimeoutMs / 1000.0));
    else
        finish(QStringLiteral("client stopped reading (%1 bytes waiting)").arg(backlog()));
}

void ClientSession::refused(const QString &why, const QString &verb)
{
    ++m_refusals;
    // Before a login a connection is anyone's noise: counted per address and summarized.
    if (!m_user)
        m_server.refusedBeforeLogin(m_address, why, verb);
    else if (m_refusals <= m_options.loggedRefusalsPerConnection)
        m_server.log().line(QStringLiteral("#%1 %2 %3 refused: %4").arg(m_id).arg(m_peer, m_user->name, why));
}

void ClientSession::finish(const QString &reason, bool quiet)
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_user && !quiet)
        m_server.endedBeforeLogin(m_address, reason);
    else if (!quiet)
        m_server.log().line(
            QStringLiteral("#%1 %2 user %3: %4 requests, %5 refused, %6 notices dropped, %7 s; %8")
                .arg(m_id)
                .arg(m_peer, m_user->name)
                .arg(m_requests)
                .arg(m_refusals)
                .arg(m_droppedNotices)
                .arg(double(msBetween(m_started, Clock::now())) / 1000.0, 0, 'f', 1)
                .arg(reason));
    // A check that has not run yet never will, and gives its turn back.
    if (m_checkId != 0 && m_server.logins().withdraw(m_checkId))
        m_server.loginThrottle().withdraw(m_turn);
    m_checkId = 0;
    endLoginAttempt();
    if (m_ssl) {
        // The client learns that the session ended here and was not cut on the way: close_notify,
        // sent once as the socket takes it, without waiting for the client's own.
        if (!m_tlsBroken && SSL_is_init_finished(m_ssl)) {
            ERR_clear_error();
            SSL_shutdown(m_ssl);
            ERR_clear_error();
        }
        SSL_free(m_ssl);
        m_ssl = nullptr;
    }
    asio::error_code ec;
    m_socket.close(ec);
    if (m_timer)
        m_timer->cancel();
    // Given back after the current turn, so that a loop over the sessions is not disturbed.
    m_out = QByteArray();
    m_assembler = RequestAssembler(m_options.maxRequestBytes);
    m_server.sessionFinished(this);
}

} // namespace korvel::server
