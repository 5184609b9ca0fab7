#include "KorvelServer.h"

#include "ClientSession.h"
#include "Clock.h"
#include "FieldGateway.h"
#include "ReplyBuilder.h"
#include "ServerLog.h"

#include <QCoreApplication>
#include <QHash>
#include <QMap>
#include <QSet>

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace korvel::server
{

namespace
{

// Descriptors kept free below the limit for the log, the configuration and the reserve descriptors.
constexpr int descriptorHeadroom = 100;
// Descriptors held back from the connections and given up when the others run out: one takes the
// waiting connection to close it, so that its client hears no at once instead of waiting in the
// backlog, and the rest stay free while accepting pauses, for whatever else the process opens then
// (the audit log reopened on SIGHUP, a field line's connection, a pipe).
constexpr int reserveDescriptors = 8;
// Connections accepted in one turn of the loop before the sessions get theirs.
constexpr int acceptsPerTurn = 64;
constexpr int acceptPauseMs = 100;
// Turns from the queue in one pass before the loop looks for new events again.
constexpr auto passBudget = std::chrono::microseconds(1000);
// Expired connections closed in one pass: thousands that reach a deadline together are closed over
// many passes, with new events served between them.
constexpr int closesPerPass = 32;
constexpr auto closePassBudget = std::chrono::microseconds(500);
// Addresses given a line of their own in a summary of what came before a login; the rest share one.
constexpr int noiseLinesPerSummary = 20;
// Addresses counted one by one; past this, further ones are counted together.
constexpr qsizetype noiseAddresses = 10'000;
// Reasons told apart per address; further ones are counted as "other".
constexpr qsizetype noiseReasons = 8;

// What the connections from one address did before logging in, since the last summary.
struct Noise {
    int ended = 0;
    int refused = 0;
    QMap<QString, int> endReasons;
    QMap<QString, int> refusals;
    QString firstVerb;
    bool hasVerb = false;
};

void countReason(QMap<QString, int> &reasons, const QString &reason)
{
    if (reasons.size() < noiseReasons || reasons.contains(reason))
        ++reasons[reason];
    else
        ++reasons[QStringLiteral("other")];
}

QString reasonList(const QMap<QString, int> &reasons)
{
    QStringList parts;
    for (auto it = reasons.begin(); it != reasons.end(); ++it)
        parts.append(QStringLiteral("%1 %2").arg(it.value()).arg(it.key()));
    return parts.join(u", ");
}

} // namespace

struct KorvelServer::Network {
    asio::io_context io{1};
    asio::ip::tcp::acceptor acceptor{io};
    asio::steady_timer acceptPause{io};
    asio::steady_timer sweep{io};
    std::array<asio::steady_timer, 3> pace{asio::steady_timer(io), asio::steady_timer(io),
                                           asio::steady_timer(io)};
    std::optional<asio::signal_set> signals;
    std::optional<asio::signal_set> hangup;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::unordered_map<ClientSession *, std::shared_ptr<ClientSession>> sessions;
    std::deque<std::shared_ptr<ClientSession>> turns;
    bool draining = false;
    std::deque<std::shared_ptr<ClientSession>> expired; // being closed, a slice per pass
    QHash<QString, Noise> noise;
    QHash<QString, int> perAddress;
    int maxConnections = 0;
    std::vector<int> reserve; // given up when the descriptors run out, taken back before accepting again
    // For the summary lines.
    qint64 lastSummary = 0;
    qint64 lastExhaustionLine = -1'000'000'000;
    int refusedLogins = 0;
    int uncheckedLogins = 0;
    QSet<QString> refusedAddresses;
    QSet<QString> refusedNames;
    int turnedAway = 0;
    int exhaustions = 0;
    // Argon2id checks off the loop; declared last so that its workers stop before the rest goes.
    std::optional<LoginQueue> logins;
};

namespace
{

int checkerThreads(const ServerOptions &options)
{
    if (options.loginCheckers > 0)
        return options.loginCheckers;
    // The loop keeps a core of its own.
    return std::max(1, int(std::thread::hardware_concurrency()) - 1);
}

} // namespace

KorvelServer::KorvelServer(const ServerConfig &config, const Clock &clock, const ServerLog &log,
                           ServerOptions options, QObject *parent)
    : QObject(parent), m_clock(clock), m_log(log), m_options(options),
      m_directory(config, clock.now().toMSecsSinceEpoch()), m_handler(m_directory, clock),
      m_throttle(m_options), m_audit(clock), m_auditPath(config.auditLog),
      m_clearPasswordUsers(config.clearPasswordUsers()), m_tlsSettings(config.tls),
      m_net(std::make_unique<Network>())
{
    m_net->logins.emplace(m_net->io, checkerThreads(m_options), m_options.loginQueue,
                          m_options.loginsPerAddress);
    m_field = std::make_unique<FieldGateway>(
        m_net->io, config, m_directory, clock, log,
        [this](const DeviceModel &device, const QByteArray &notice) { noticeViewers(device, notice); });
    m_handler.setField(m_field.get());
    m_field->start(config.pace.values);
    pace(0, config.pace.values, &KorvelServer::sendValueNotices);
    pace(1, config.pace.inputs, &KorvelServer::changeFieldInput);
    pace(2, config.pace.messages, &KorvelServer::postSimulatedMessage);

    // Inside a Qt program the loop is polled from Qt's, unless it gets a thread of its own.
    m_pump.setTimerType(Qt::PreciseTimer);
    m_pump.setInterval(1);
    connect(&m_pump, &QTimer::timeout, this, [this] {
        if (m_ownLoop)
            return;
        if (m_net->io.stopped())
            m_net->io.restart();
        m_net->io.poll();
    });
    if (QCoreApplication::instance())
        m_pump.start();
}

KorvelServer::~KorvelServer()
{
    close();
    m_pump.stop();
    m_field->stop();
    if (!m_ownLoop || !m_thread.joinable()) {
        // Lets the cancelled operations finish, so that every session is given back.
        m_net->io.restart();
        m_net->io.poll();
    }
    if (m_thread.joinable())
        m_thread.join();
    // Results the lines posted before they stopped find the gateway gone and let go of their sessions.
    m_field.reset();
    m_net->io.restart();
    m_net->io.poll();
    m_net.reset();
}

void KorvelServer::pace(size_t timer, int seconds, void (KorvelServer::*notice)())
{
    if (seconds <= 0)
        return;
    m_net->pace[timer].expires_after(std::chrono::seconds(seconds));
    m_net->pace[timer].async_wait([this, timer, seconds, notice](const asio::error_code &ec) {
        if (ec)
            return;
        (this->*notice)();
        pace(timer, seconds, notice);
    });
}

qint64 KorvelServer::steadyMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool KorvelServer::listen(const QHostAddress &address, quint16 port)
{
    if (m_tlsSettings.enabled()) {
        m_tls = TlsContext::load(m_tlsSettings, &m_error);
        if (!m_tls)
            return false;
        // OpenSSL writes session tickets and replies to the socket itself, without MSG_NOSIGNAL: a
        // client gone before them would otherwise end the whole process with SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
    }
    asio::error_code ec;
    const asio::ip::address ip = asio::ip::make_address(address.toString().toStdString(), ec);
    if (ec) {
        m_error = QString::fromStdString(ec.message());
        return false;
    }
    const asio::ip::tcp::endpoint endpoint(ip, port);
    auto &acceptor = m_net->acceptor;
    acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    // Room for a burst of a thousand clients connecting at once.
    if (!ec)
        acceptor.listen(1024, ec);
    if (!ec)
        acceptor.non_blocking(true, ec);
    if (ec) {
        m_error = QString::fromStdString(ec.message());
        acceptor.close(ec);
        return false;
    }
    m_port = acceptor.local_endpoint(ec).port();

    rlimit limit{};
    m_net->maxConnections = m_options.maxConnections;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        m_net->maxConnections = int(
            std::min<rlim_t>(rlim_t(m_options.maxConnections),
                             limit.rlim_cur > descriptorHeadroom ? limit.rlim_cur - descriptorHeadroom : 1));
    holdReserve();

    m_log.line(QStringLiteral("listening on %1:%2%6 with %3 users and %4 devices, at most %5 connections")
                   .arg(address.toString())
                   .arg(m_port)
                   .arg(m_directory.users().size())
                   .arg(m_directory.devices().size())
                   .arg(m_net->maxConnections)
                   .arg(!m_tls                     ? QString()
                        : m_tlsSettings.allowPlain ? QStringLiteral(" (TLS, plain TCP allowed)")
                                                   : QStringLiteral(" (TLS)")));
    if (!address.isLoopback()) {
        for (const char16_t *name : {u"demo", u"izleyici"}) {
            const QString text = QString::fromUtf16(name);
            if (m_directory.authenticate(text, text))
                m_log.line(
                    QStringLiteral("WARNING: the built-in demo user \"%1\" (password \"%1\") can log in "
                                   "from the network on %2; start with --config and real users")
                        .arg(text, address.toString()));
        }
    }
    if (!m_auditPath.isEmpty() && !m_audit.open(m_auditPath, &m_error))
        return false;
    if (!m_clearPasswordUsers.isEmpty())
        m_log.line(QStringLiteral("WARNING: users with a clear password in the configuration: %1; store "
                                  "\"passwordHash\" instead (korvel-server --hash-password)")
                       .arg(m_clearPasswordUsers.join(QStringLiteral(", "))));
    m_log.flush();
    m_net->lastSummary = steadyMs();
    accept();
    sweep();
    return true;
}

void KorvelServer::accept()
{
    m_net->acceptor.async_wait(asio::socket_base::wait_read, [this](const asio::error_code &ec) {
        if (ec)
            return;
        holdReserve();
        for (int i = 0; i < acceptsPerTurn; ++i) {
            const int descriptor =
                ::accept4(m_net->acceptor.native_handle(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (descriptor >= 0) {
                accepted(descriptor);
                continue;
            }
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK)
                return accept();
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM)
                return outOfDescriptors(error);
            // A connection reset while it waited, and the like: the next one.
        }
        // More may be waiting; the sessions get their turn first.
        asio::post(m_net->io, [this] {
            if (m_net->acceptor.is_open())
                accept();
        });
    });
}

void KorvelServer::accepted(int descriptor)
{
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    ::getpeername(descriptor, reinterpret_cast<sockaddr *>(&peer), &length);
    asio::ip::tcp::socket socket(m_net->io);
    asio::error_code ec;
    socket.assign(peer.ss_family == AF_INET6 ? asio::ip::tcp::v6() : asio::ip::tcp::v4(), descriptor, ec);
    if (ec) {
        ::close(descriptor);
        return;
    }
    const auto remote = socket.remote_endpoint(ec);
    const QString address = ec ? QStringLiteral("?") : QString::fromStdString(remote.address().to_string());
    int &fromAddress = m_net->perAddress[address];
    if (qsizetype(m_net->sessions.size()) >= m_net->maxConnections ||
        fromAddress >= m_options.maxConnectionsPerAddress) {
        if (fromAddress == 0)
            m_net->perAddress.remove(address);
        ++m_net->turnedAway;
        socket.close(ec);
        return;
    }
    ++fromAddress;
    auto session = std::make_shared<ClientSession>(std::move(socket), *this, ++m_nextId, address);
    m_net->sessions.emplace(session.get(), session);
    ++m_sessionCount;
    session->start();
}

void KorvelServer::outOfDescriptors(int error)
{
    ++m_net->exhaustions;
    const qint64 now = steadyMs();
    if (now - m_net->lastExhaustionLine >= m_options.summaryIntervalMs) {
        m_net->lastExhaustionLine = now;
        m_log.line(QStringLiteral("out of descriptors (%1) with %2 connections: accepting paused")
                       .arg(QString::fromLocal8Bit(std::strerror(error)))
                       .arg(m_net->sessions.size()));
    }
    // Taken back only when accepting resumes: until then the process is not left without a descriptor.
    if (!m_net->reserve.empty()) {
        releaseReserve();
        const int shed = ::accept4(m_net->acceptor.native_handle(), nullptr, nullptr, SOCK_CLOEXEC);
        if (shed >= 0) {
            ::close(shed);
            ++m_net->turnedAway;
        }
    }
    m_net->acceptPause.expires_after(std::chrono::milliseconds(acceptPauseMs));
    m_net->acceptPause.async_wait([this](const asio::error_code &ec) {
        if (!ec && m_net->acceptor.is_open())
            accept();
    });
}

void KorvelServer::holdReserve()
{
    auto &reserve = m_net->reserve;
    while (reserve.size() < size_t(reserveDescriptors)) {
        const int descriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return;
        reserve.push_back(descriptor);
    }
}

void KorvelServer::releaseReserve()
{
    for (const int descriptor : m_net->reserve)
        ::close(descriptor);
    m_net->reserve.clear();
}

void KorvelServer::sessionFinished(ClientSession *session)
{
    auto it = m_net->perAddress.find(session->address());
    if (it != m_net->perAddress.end() && --*it <= 0)
        m_net->perAddress.erase(it);
    --m_sessionCount;
    // Erased after the current turn: a loop over the sessions may be running.
    asio::post(m_net->io, [this, session] { m_net->sessions.erase(session); });
}

void KorvelServer::queueTurn(std::shared_ptr<ClientSession> session)
{
    m_net->turns.push_back(std::move(session));
    if (!m_net->draining) {
        m_net->draining = true;
        asio::post(m_net->io, [this] { drainTurns(); });
    }
}

void KorvelServer::drainTurns()
{
    const auto start = std::chrono::steady_clock::now();
    // Only the turns queued before this pass: a session that queues itself again waits for the next.
    for (size_t n = m_net->turns.size(); n > 0 && !m_net->turns.empty(); --n) {
        const std::shared_ptr<ClientSession> session = std::move(m_net->turns.front());
        m_net->turns.pop_front();
        session->turn();
        if (std::chrono::steady_clock::now() - start > passBudget)
            break;
    }
    if (m_net->turns.empty())
        m_net->draining = false;
    else
        asio::post(m_net->io, [this] { drainTurns(); });
}

void KorvelServer::loginRefused(const QString &address, const QString &user, bool checked)
{
    ++m_net->refusedLogins;
    if (!checked)
        ++m_net->uncheckedLogins;
    if (m_net->refusedAddresses.size() < 10'000)
        m_net->refusedAddresses.insert(address);
    if (m_net->refusedNames.size() < 10'000)
        m_net->refusedNames.insert(user.left(40));
}

void KorvelServer::refusedBeforeLogin(const QString &address, const QString &why, const QString &verb)
{
    Network &n = *m_net;
    const QString key = n.noise.size() < noiseAddresses || n.noise.contains(address) ? address : QString();
    Noise &noise = n.noise[key];
    ++noise.refused;
    countReason(noise.refusals, why);
    if (!verb.isNull() && !noise.hasVerb) {
        noise.hasVerb = true;
        noise.firstVerb = verb;
    }
}

void KorvelServer::endedBeforeLogin(const QString &address, const QString &reason)
{
    Network &n = *m_net;
    const QString key = n.noise.size() < noiseAddresses || n.noise.contains(address) ? address : QString();
    Noise &noise = n.noise[key];
    ++noise.ended;
    countReason(noise.endReasons, reason);
}

void KorvelServer::sweep()
{
    const int interval = std::clamp(
        std::min({m_options.loginDeadlineMs, m_options.idleTimeoutMs, m_options.writeStallMs}) / 4, 10, 1000);
    m_net->sweep.expires_after(std::chrono::milliseconds(interval));
    m_net->sweep.async_wait([this](const asio::error_code &ec) {
        if (ec)
            return;
        // Finding the expired costs little per connection; closing them is spread over passes. While
        // the last sweep's are still being closed, this one finds nothing new to do.
        if (m_net->expired.empty()) {
            const auto now = ClientSession::Clock::now();
            for (const auto &[raw, session] : m_net->sessions) {
                if (session->expired(now))
                    m_net->expired.push_back(session);
            }
            if (!m_net->expired.empty())
                asio::post(m_net->io, [this] { closeExpired(); });
        }
        const qint64 nowMs = steadyMs();
        m_throttle.forget(nowMs);
        m_net->logins->forget(nowMs, m_options.loginMemoryMs);
        summarize(nowMs);
        m_log.flush();
        // No malloc_trim() here: after thousands of connections close at once it holds the allocator
        // for a hundred milliseconds and more, on the loop or, from another thread, through the
        // arena's lock. What they freed serves the next connections; the top of the heap goes back
        // to the system by itself.
        sweep();
    });
}

void KorvelServer::closeExpired()
{
    const auto start = ClientSession::Clock::now();
    for (int i = 0; i < closesPerPass && !m_net->expired.empty(); ++i) {
        const std::shared_ptr<ClientSession> session = std::move(m_net->expired.front());
        m_net->expired.pop_front();
        session->closeExpired(start);
        if (ClientSession::Clock::now() - start > closePassBudget)
            break;
    }
    if (!m_net->expired.empty())
        asio::post(m_net->io, [this] { closeExpired(); });
}

void KorvelServer::summarize(qint64 nowMs, bool now)
{
    Network &n = *m_net;
    if (!now && nowMs - n.lastSummary < m_options.summaryIntervalMs)
        return;
    const double seconds = double(nowMs - n.lastSummary) / 1000.0;
    n.lastSummary = nowMs;
    if (n.refusedLogins > 0) {
        QStringList names = QStringList(n.refusedNames.begin(), n.refusedNames.end());
        names.sort();
        m_log.line(QStringLiteral("%1 logins refused in %2 s from %3 addresses for %4 user names (%5), %6 "
                                  "of them unchecked (the check queue full or the address's share used); "
                                  "%7 addresses and names held back")
                       .arg(n.refusedLogins)
                       .arg(seconds, 0, 'f', 0)
                       .arg(n.refusedAddresses.size())
                       .arg(n.refusedNames.size())
                       .arg(names.mid(0, 5).join(u", "))
                       .arg(n.uncheckedLogins)
                       .arg(m_throttle.records()));
    }
    if (n.turnedAway > 0 || n.exhaustions > 0)
        m_log.line(QStringLiteral("%1 connections turned away in %2 s (%3 held, at most %4, %5 per address); "
                                  "descriptors ran out %6 times")
                       .arg(n.turnedAway)
                       .arg(seconds, 0, 'f', 0)
                       .arg(n.sessions.size())
                       .arg(n.maxConnections)
                       .arg(m_options.maxConnectionsPerAddress)
                       .arg(n.exhaustions));
    summarizeNoise(seconds);
    n.refusedLogins = n.uncheckedLogins = n.turnedAway = n.exhaustions = 0;
    n.refusedAddresses.clear();
    n.refusedNames.clear();
}

void KorvelServer::summarizeNoise(double seconds)
{
    Network &n = *m_net;
    if (n.noise.isEmpty())
        return;
    // The busiest addresses get a line each, with their reasons; the others one line together.
    std::vector<std::pair<int, QString>> busiest;
    busiest.reserve(size_t(n.noise.size()));
    for (auto it = n.noise.begin(); it != n.noise.end(); ++it)
        busiest.emplace_back(-(it->ended + it->refused), it.key());
    const size_t shown = std::min(busiest.size(), size_t(noiseLinesPerSummary));
    std::partial_sort(busiest.begin(), busiest.begin() + qsizetype(shown), busiest.end());
    int restAddresses = 0;
    Noise rest;
    for (size_t i = 0; i < busiest.size(); ++i) {
        const Noise &noise = n.noise[busiest[i].second];
        if (i >= shown || busiest[i].second.isEmpty()) {
            // Beyond the lines, and the addresses that came after the table was full.
            restAddresses += busiest[i].second.isEmpty() ? 0 : 1;
            rest.ended += noise.ended;
            rest.refused += noise.refused;
            continue;
        }
        // Only the counts that are not zero.
        QStringList parts;
        if (noise.ended > 0)
            parts.append(QStringLiteral("%1 connections ended (%2)")
                             .arg(noise.ended)
                             .arg(reasonList(noise.endReasons)));
        if (noise.refused > 0) {
            QString part =
                QStringLiteral("%1 requests refused (%2").arg(noise.refused).arg(reasonList(noise.refusals));
            if (noise.hasVerb)
                part += QStringLiteral("; the first \"%1\"").arg(noise.firstVerb);
            parts.append(part + u')');
        }
        const QString text = QStringLiteral("before login from %1 in %2 s: %3")
                                 .arg(busiest[i].second)
                                 .arg(seconds, 0, 'f', 0)
                                 .arg(parts.join(u", "));
        m_log.line(text);
    }
    if (rest.ended > 0 || rest.refused > 0)
        m_log.line(QStringLiteral("before login from %1 other addresses in %2 s: %3 connections ended, %4 "
                                  "requests refused")
                       .arg(n.noise.contains(QString()) ? QStringLiteral("%1 and more").arg(restAddresses)
                                                        : QString::number(restAddresses))
                       .arg(seconds, 0, 'f', 0)
                       .arg(rest.ended)
                       .arg(rest.refused));
    n.noise.clear();
}

void KorvelServer::run()
{
    m_ownLoop = true;
    m_pump.stop();
    m_net->signals.emplace(m_net->io, SIGINT, SIGTERM);
    m_net->signals->async_wait([this](const asio::error_code &ec, int number) {
        if (ec)
            return;
        m_log.line(QStringLiteral("signal %1: stopping").arg(number));
        closeNow();
    });
    m_net->hangup.emplace(m_net->io, SIGHUP);
    listenForHangup();
    m_net->io.restart();
    m_net->io.run();
}

LoginQueue &KorvelServer::logins()
{
    return *m_net->logins;
}

const UserAccount *KorvelServer::checkPassword(const QString &name, const QString &password)
{
    ++m_passwordChecks;
    return m_directory.authenticate(name, password);
}

void KorvelServer::audit(const AuditLog::Entry &entry)
{
    if (!m_audit.isOpen())
        return;
    const bool failed = !m_audit.record(entry);
    if (failed == m_auditFailed)
        return;
    m_auditFailed = failed;
    m_log.line(!failed ? QStringLiteral("the audit log %1 is written again").arg(m_auditPath)
                       : QStringLiteral("ERROR: cannot write the audit log %1: %2")
                             .arg(m_auditPath, QString::fromLocal8Bit(std::strerror(errno))));
}

void KorvelServer::listenForHangup()
{
    // The operator has moved the audit log aside (logrotate): start a new file under the same name.
    m_net->hangup->async_wait([this](const asio::error_code &ec, int) {
        if (ec)
            return;
        QString error;
        if (m_audit.isOpen())
            m_log.line(m_audit.reopen(&error)
                           ? QStringLiteral("SIGHUP: audit log %1 reopened").arg(m_auditPath)
                           : QStringLiteral("ERROR: SIGHUP: %1").arg(error));
        listenForHangup();
    });
}

void KorvelServer::runOnOwnThread()
{
    m_ownLoop = true;
    m_net->work.emplace(m_net->io.get_executor());
    m_thread = std::thread([this] { m_net->io.run(); });
}

void KorvelServer::close()
{
    if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id()) {
        asio::post(m_net->io, [this] { closeNow(); });
        m_thread.join();
        return;
    }
    closeNow();
}

void KorvelServer::closeNow()
{
    Network &n = *m_net;
    asio::error_code ec;
    n.acceptor.close(ec);
    n.acceptPause.cancel();
    n.sweep.cancel();
    for (auto &timer : n.pace)
        timer.cancel();
    m_field->stop();
    if (n.signals)
        n.signals->cancel(ec);
    if (n.hangup)
        n.hangup->cancel(ec);
    n.work.reset();
    releaseReserve();
    const auto sessions = std::move(n.sessions);
    n.sessions.clear();
    n.turns.clear();
    n.expired.clear();
    for (const auto &[raw, session] : sessions)
        session->finish(QStringLiteral("server stopping"));
    summarize(steadyMs(), true);
    m_log.flush();
}

void KorvelServer::sendValueNotices()
{
    const qint64 ms = m_clock.now().toMSecsSinceEpoch();
    QHash<const DeviceModel *, QByteArray> notices;
    for (const auto &[raw, session] : m_net->sessions) {
        if (!session->user() || session->finished())
            continue;
        for (const DeviceModel *device : m_directory.visibleDevices(*session->user())) {
            // Field devices send their own records when they are polled.
            if (!device->isAnalyzer() || !device->entry().online || !device->entry().link.simulated())
                continue;
            auto it = notices.find(device);
            if (it == notices.end())
                it = notices.insert(device, ReplyBuilder::valueNotice(*device, ms));
            session->sendNotice(*it);
        }
    }
}

void KorvelServer::changeFieldInput()
{
    std::vector<DeviceModel *> candidates;
    for (const auto &device : m_directory.devices()) {
        if (device->isAnalyzer() && device->entry().online && device->entry().link.simulated())
            candidates.push_back(device.get());
    }
    if (candidates.empty())
        return;
    DeviceModel &device = *candidates[m_random() % candidates.size()];
    const quint8 previous = device.inputs();
    device.setFieldInputs(quint8(previous ^ (1u << (m_random() % 6))));
    broadcastInputs(device, previous);
}

void KorvelServer::broadcastInputs(DeviceModel &device, quint8 previous)
{
    const QByteArray notice = ReplyBuilder::inputNotice(device, m_clock.now(), previous);
    for (const auto &[raw, session] : m_net->sessions) {
        if (session->user() && m_directory.sees(*session->user(), device))
            session->sendNotice(notice);
    }
}

void KorvelServer::noticeViewers(const DeviceModel &device, const QByteArray &notice)
{
    for (const auto &[raw, session] : m_net->sessions) {
        if (session->user() && !session->finished() && m_directory.sees(*session->user(), device))
            session->sendNotice(notice);
    }
}

void KorvelServer::postMessage(UserAccount &user, ServerMessage message)
{
    m_directory.addMessage(user, std::move(message));
    const QByteArray notice = ReplyBuilder::reply(QStringLiteral("yenimesaj"));
    for (const auto &[raw, session] : m_net->sessions) {
        if (session->user() == &user)
            session->sendNotice(notice);
    }
}

void KorvelServer::postSimulatedMessage()
{
    auto &users = m_directory.users();
    if (users.empty())
        return;
    static const char16_t *const texts[][2] = {
        {u"Gerilim dalgalanması", u"Şebekede kısa süreli gerilim düşümü kaydedildi."},
        {u"Kompanzasyon bilgisi", u"Kondansatör kademeleri yük değişimine göre yeniden düzenlendi."},
        {u"Sayaç okuma hatırlatması", u"Ay sonu TEDAŞ okuması için sayaç okuma zamanı yaklaşıyor."},
    };
    UserAccount &user = users[m_nextMessageUser++ % users.size()];
    const auto &text = texts[m_simulatedMessages++ % 3];
    postMessage(user, {QString::fromUtf16(text[0]), QString::fromUtf16(text[1])});
}

} // namespace korvel::server
