#include "ClientSession.h"

#include "Directory.h"
#include "KorvelServer.h"
#include "LoginThrottle.h"
#include "ReplyBuilder.h"
#include "Request.h"
#include "RequestHandler.h"
#include "ServerLog.h"

#include <asio/buffer.hpp>
#include <asio/error.hpp>
#include <asio/post.hpp>

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
}

ClientSession::~ClientSession() = default;

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
    m_socket.async_wait(asio::socket_base::wait_read,
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
        if (drained) {
            waitReadable();
            break;
        }
        auto &buffer = m_server.readBuffer();
        asio::error_code ec;
        const size_t n = m_socket.read_some(asio::buffer(buffer), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again) {
            waitReadable();
            break;
        }
        if (ec) {
            finish(ec == asio::error::eof || ec == asio::error::connection_reset
                       ? QStringLiteral("closed by the client")
                       : QString::fromStdString(ec.message()));
            return;
        }
        // A short read emptied the socket; anything later is reported as new readiness.
        drained = n < buffer.size();
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
        refused(QStringLiteral("\"%1\" before login").arg(request.verb.left(40)));
        return;
    }
    const Outcome outcome = m_server.handler().handle(*m_user, request, &m_messagesDelivered);
    if (!outcome.refusal.isEmpty())
        refused(outcome.refusal);
    for (const QByteArray &reply : outcome.replies) {
        if (!send(reply))
            return;
    }
    if (outcome.inputsChanged)
        m_server.broadcastInputs(*outcome.inputsChanged, outcome.previousInputs);
}

void ClientSession::login(const Request &request)
{
    const QString name = request.field(0);
    const QString password = request.field(1);
    const qint64 wait = m_server.loginThrottle().admit(m_address, name, m_server.steadyMs());
    if (wait <= 0) {
        checkLogin(name, password);
        return;
    }
    // Requests behind the login wait with it.
    m_loginHeld = true;
    m_heldName = name;
    m_timer.emplace(m_socket.get_executor());
    m_timer->expires_after(std::chrono::milliseconds(wait));
    m_timer->async_wait([self = shared_from_this(), name, password](const asio::error_code &ec) {
        if (ec || self->m_finished)
            return;
        self->m_loginHeld = false;
        self->checkLogin(name, password);
        self->flush();
        self->resumeLater();
    });
}

void ClientSession::checkLogin(const QString &name, const QString &password)
{
    const UserAccount *account = m_server.directory().authenticate(name, password);
    if (!account) {
        m_user = nullptr;
        m_loginRefused = true;
        m_server.loginThrottle().failed(m_address, name, m_server.steadyMs());
        m_server.loginRefused(m_address, name);
        m_timer.emplace(m_socket.get_executor());
        m_timer->expires_after(std::chrono::milliseconds(m_options.refusedLoginDelayMs));
        m_timer->async_wait([self = shared_from_this()](const asio::error_code &ec) {
            if (!ec)
                self->finish(QStringLiteral("login refused"), true);
        });
        return;
    }
    m_server.loginThrottle().succeeded(m_address, name);
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
        const size_t n =
            m_socket.write_some(asio::buffer(m_out.constData() + m_outStart, size_t(backlog())), ec);
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
    } else {
        if (m_outStart > m_out.size() / 2) {
            m_out.remove(0, m_outStart);
            m_outStart = 0;
        }
        m_writing = true;
        m_socket.async_wait(asio::socket_base::wait_write,
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

void ClientSession::checkDeadlines(Clock::time_point now)
{
    if (m_finished)
        return;
    if (!m_user && !m_loginHeld && !m_loginRefused && msBetween(m_started, now) > m_options.loginDeadlineMs)
        finish(QStringLiteral("no login within %1 s").arg(m_options.loginDeadlineMs / 1000.0));
    else if (m_user && msBetween(m_lastRequest, now) > m_options.idleTimeoutMs)
        finish(QStringLiteral("no request for %1 s").arg(m_options.idleTimeoutMs / 1000.0));
    else if (backlog() > 0 && msBetween(m_lastWrite, now) > m_options.writeStallMs)
        finish(QStringLiteral("client stopped reading (%1 bytes waiting)").arg(backlog()));
}

void ClientSession::refused(const QString &why)
{
    ++m_refusals;
    if (m_refusals <= m_options.loggedRefusalsPerConnection)
        m_server.log().line(QStringLiteral("#%1 %2 %3 refused: %4")
                                .arg(m_id)
                                .arg(m_peer, m_user ? m_user->name : QStringLiteral("-"), why));
}

void ClientSession::finish(const QString &reason, bool quiet)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_loginHeld)
        m_server.loginThrottle().abandoned(m_address, m_heldName);
    if (!quiet)
        m_server.log().line(
            QStringLiteral("#%1 %2 user %3: %4 requests, %5 refused, %6 notices dropped, %7 s; %8")
                .arg(m_id)
                .arg(m_peer, m_user ? m_user->name : QStringLiteral("-"))
                .arg(m_requests)
                .arg(m_refusals)
                .arg(m_droppedNotices)
                .arg(double(msBetween(m_started, Clock::now())) / 1000.0, 0, 'f', 1)
                .arg(reason));
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
