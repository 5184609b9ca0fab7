// server_load [SECONDS] [CLIENTS]: the load program of korvel-server. Starts korvel-server from the same
// folder and, when it is installed, redis-server, each on a free loopback port, and measures both with
// the same closed-loop client: every connection sends a ping and waits for its answer before the next
// ("ping" / "pong" here, PING / +PONG for redis). Runs, SECONDS each (5):
//   50 active connections, against both servers (SECONDS in all, in three rounds that alternate them);
//   CLIENTS active connections (1000), against both; replies per second, p50 and p99;
//   50 active beside CLIENTS - 50 logged-in idle ones, against 50 alone, korvel-server only;
//   the hostile probes at full size: 5,000 half requests (memory), 200 heavy clients that never
//   read beside a bystander that pings every 10 ms (its p99), and wrong passwords from 50
//   connections (guesses checked per second); the limits are the defaults but for the request
//   rate and the connections per address, which the load itself would exceed.
// Prints the two ratios against their goals; exits 1 when a goal is missed.
// server_load SECONDS CLIENTS tls: both servers in TLS with the test certificate of the build instead
// (TLS 1.3, the same client): pings at 50 and CLIENTS connections and full handshakes per second from
// new connections, each pair in alternating rounds.
#include <asio.hpp>
#include <asio/ssl.hpp>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using SteadyClock = std::chrono::steady_clock;
using asio::ip::tcp;

struct Protocol {
    std::string login;    // sent once, answered by the text in loggedIn (empty: no login)
    std::string loggedIn; // the text that ends the login answer
    std::string ping;
    std::string terminator; // ends each answer to a ping
};

const Protocol korvel{std::string("kulsifre\x01"
                                  "demo\x01"
                                  "demo\x02\xF4\xF4\xF4"),
                      "tblhaklar", "ping\xF4\xF4\xF4", "\xF4\xF4\xF4"};
const Protocol redis{"", "", "PING\r\n", "\r\n"};

struct Result {
    double perSecond = 0;
    double p50 = 0;
    double p99 = 0;
    int connected = 0;
    int errors = 0;
};

using TlsSocket = asio::ssl::stream<tcp::socket>;

// One connection of the closed loop, plain or TLS. Idle ones log in and then wait.
template <class Stream> class Connection : public std::enable_shared_from_this<Connection<Stream>>
{
    static constexpr bool tls = std::is_same_v<Stream, TlsSocket>;

public:
    Connection(asio::io_context &io, asio::ssl::context *context, const Protocol &protocol, bool active,
               std::vector<int64_t> &latencies, const bool &measuring, const bool &running, int &errors)
        : m_socket(makeStream(io, context)), m_protocol(protocol), m_active(active), m_latencies(latencies),
          m_measuring(measuring), m_running(running), m_errors(errors)
    {
    }

    void start(const tcp::endpoint &server, std::function<void()> ready)
    {
        m_ready = std::move(ready);
        m_socket.lowest_layer().async_connect(
            server, [self = this->shared_from_this()](const asio::error_code &ec) {
                if (ec)
                    return self->fail();
                self->m_socket.lowest_layer().set_option(tcp::no_delay(true));
                if constexpr (tls) {
                    self->m_socket.async_handshake(asio::ssl::stream_base::client,
                                                   [self](const asio::error_code &ec) {
                                                       if (ec)
                                                           return self->fail();
                                                       self->begin();
                                                   });
                } else {
                    self->begin();
                }
            });
    }

    void go()
    {
        if (m_active)
            ping();
    }

    void stop()
    {
        asio::error_code ec;
        m_socket.lowest_layer().close(ec);
    }

private:
    static Stream makeStream(asio::io_context &io, asio::ssl::context *context)
    {
        if constexpr (tls)
            return Stream(io, *context);
        else
            return Stream(io);
    }

    void begin()
    {
        read();
        if (m_protocol.login.empty())
            return loggedIn();
        write(m_protocol.login);
    }

    void fail()
    {
        ++m_errors;
        stop();
    }

    void loggedIn()
    {
        m_loggedIn = true;
        m_buffer.clear();
        m_ready();
    }

    void write(const std::string &bytes)
    {
        asio::async_write(m_socket, asio::buffer(bytes),
                          [self = this->shared_from_this()](const asio::error_code &ec, size_t) {
                              if (ec)
                                  self->fail();
                          });
    }

    void ping()
    {
        if (!m_running)
            return;
        m_sentAt = SteadyClock::now();
        m_waiting = true;
        write(m_protocol.ping);
    }

    void read()
    {
        m_socket.async_read_some(asio::buffer(m_chunk),
                                 [self = this->shared_from_this()](const asio::error_code &ec, size_t n) {
                                     if (ec) {
                                         if (self->m_running)
                                             self->fail();
                                         return;
                                     }
                                     self->m_buffer.append(self->m_chunk.data(), n);
                                     self->received();
                                     self->read();
                                 });
    }

    void received()
    {
        if (!m_loggedIn) {
            const size_t at = m_buffer.find(m_protocol.loggedIn);
            if (at != std::string::npos && m_buffer.find(m_protocol.terminator, at) != std::string::npos)
                loggedIn();
            return;
        }
        size_t at;
        while ((at = m_buffer.find(m_protocol.terminator)) != std::string::npos) {
            m_buffer.erase(0, at + m_protocol.terminator.size());
            if (!m_waiting)
                continue;
            m_waiting = false;
            if (m_measuring)
                m_latencies.push_back(
                    std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - m_sentAt)
                        .count());
            ping();
        }
    }

    Stream m_socket;
    const Protocol &m_protocol;
    bool m_active;
    std::vector<int64_t> &m_latencies;
    const bool &m_measuring;
    const bool &m_running;
    int &m_errors;
    std::function<void()> m_ready;
    std::array<char, 4096> m_chunk{};
    std::string m_buffer;
    bool m_loggedIn = false;
    bool m_waiting = false;
    SteadyClock::time_point m_sentAt;
};

double percentile(std::vector<int64_t> &values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return double(values[size_t(p * double(values.size() - 1))]) / 1e6;
}

// Connects active + idle connections, waits until all are logged in, measures for the given time;
// in TLS with a client context.
Result measure(uint16_t port, const Protocol &protocol, int active, int idle, int seconds,
               asio::ssl::context *tls = nullptr)
{
    asio::io_context io(1);
    const tcp::endpoint server(asio::ip::address_v4::loopback(), port);
    std::vector<int64_t> latencies;
    latencies.reserve(8'000'000);
    bool measuring = false, running = true;
    Result result;
    std::vector<std::function<void()>> goes, stops;
    int ready = 0;
    const int total = active + idle;
    for (int i = 0; i < total; ++i) {
        // Idle ones first, so that the active ones start together at the end.
        auto startOne = [&](auto c) {
            goes.push_back([c] { c->go(); });
            stops.push_back([c] { c->stop(); });
            c->start(server, [&] {
                if (++ready == total) {
                    for (auto &go : goes)
                        go();
                }
            });
        };
        if (tls)
            startOne(std::make_shared<Connection<TlsSocket>>(io, tls, protocol, i >= idle, latencies,
                                                             measuring, running, result.errors));
        else
            startOne(std::make_shared<Connection<tcp::socket>>(io, tls, protocol, i >= idle, latencies,
                                                               measuring, running, result.errors));
    }
    // Waits until all are in (ten seconds at most), a warm-up second, then the measured time.
    asio::steady_timer timer(io);
    const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
    auto finish = [&] {
        measuring = false;
        running = false;
        for (auto &stop : stops)
            stop();
    };
    std::function<void()> waitReady = [&] {
        timer.expires_after(std::chrono::milliseconds(50));
        timer.async_wait([&](const asio::error_code &) {
            if (ready < total && SteadyClock::now() < deadline)
                return waitReady();
            if (ready < total)
                return finish();
            timer.expires_after(std::chrono::seconds(1));
            timer.async_wait([&](const asio::error_code &) {
                measuring = true;
                timer.expires_after(std::chrono::seconds(seconds));
                timer.async_wait([&](const asio::error_code &) { finish(); });
            });
        });
    };
    waitReady();
    io.run();
    result.connected = ready;
    result.perSecond = double(latencies.size()) / seconds;
    result.p50 = percentile(latencies, 0.5);
    result.p99 = percentile(latencies, 0.99);
    return result;
}

// Full TLS handshakes from new connections, parallel at a time, for the given time: each connects,
// completes the handshake, and closes. No session is resumed.
double handshakes(uint16_t port, asio::ssl::context &context, int parallel, int seconds, int &errors)
{
    asio::io_context io(1);
    const tcp::endpoint server(asio::ip::address_v4::loopback(), port);
    bool running = true;
    bool measuring = false;
    long done = 0;
    std::function<void()> next = [&] {
        if (!running)
            return;
        auto stream = std::make_shared<TlsSocket>(io, context);
        stream->lowest_layer().async_connect(server, [&, stream](const asio::error_code &ec) {
            if (ec) {
                ++errors;
                return next();
            }
            stream->async_handshake(asio::ssl::stream_base::client, [&, stream](const asio::error_code &ec) {
                if (ec)
                    ++errors;
                else if (measuring)
                    ++done;
                asio::error_code ignored;
                stream->lowest_layer().close(ignored);
                next();
            });
        });
    };
    for (int i = 0; i < parallel; ++i)
        next();
    asio::steady_timer timer(io);
    timer.expires_after(std::chrono::milliseconds(500));
    timer.async_wait([&](const asio::error_code &) {
        measuring = true;
        timer.expires_after(std::chrono::seconds(seconds));
        timer.async_wait([&](const asio::error_code &) {
            measuring = false;
            running = false;
        });
    });
    io.run();
    return double(done) / seconds;
}

uint16_t freePort()
{
    asio::io_context io;
    tcp::acceptor probe(io, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    return probe.local_endpoint().port();
}

pid_t spawn(const std::vector<std::string> &args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

bool waitListening(uint16_t port)
{
    asio::io_context io;
    for (int attempt = 0; attempt < 100; ++attempt) {
        tcp::socket s(io);
        asio::error_code ec;
        s.connect(tcp::endpoint(asio::ip::address_v4::loopback(), port), ec);
        if (!ec)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void stopProcess(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

long statusKib(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    }
    return -1;
}

std::string directory(const char *argv0)
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string self = n > 0 ? std::string(path, size_t(n)) : std::string(argv0);
    return self.substr(0, self.rfind('/') + 1);
}

bool installed(const char *program)
{
    return std::system((std::string("command -v ") + program + " > /dev/null 2>&1").c_str()) == 0;
}

void print(const char *label, const Result &r)
{
    std::printf("  %-40s %9.0f replies/s  p50 %6.3f ms  p99 %6.3f ms  (%d connected, %d errors)\n", label,
                r.perSecond, r.p50, r.p99, r.connected, r.errors);
}

// A plain non-blocking loopback socket for the probes.
class Plain
{
public:
    explicit Plain(uint16_t port, int receiveWindow = 0)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveWindow > 0)
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveWindow, sizeof receiveWindow);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }
    ~Plain()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Plain(const Plain &) = delete;
    Plain &operator=(const Plain &) = delete;

    bool ok() const { return m_fd >= 0; }
    size_t sendSome(const std::string &bytes)
    {
        const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return n > 0 ? size_t(n) : 0;
    }
    // Waits for the text (true) or the end of the connection or the time (false).
    bool until(const std::string &text, int timeoutMs)
    {
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_buffer.find(text) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(left.count())) <= 0)
                continue;
            char chunk[16384];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n == 0 || (n < 0 && errno != EAGAIN))
                return false;
            if (n > 0)
                m_buffer.append(chunk, size_t(n));
        }
        m_buffer.erase(0, m_buffer.find(text) + text.size());
        return true;
    }

private:
    int m_fd = -1;
    std::string m_buffer;
};

const std::string loginBytes = korvel.login;

// Connections that send most of a request and go quiet: the server's memory before, while held and
// after they have left.
void halfRequests(uint16_t port, pid_t server, int count)
{
    const long before = statusKib(server, "VmRSS:");
    std::vector<std::unique_ptr<Plain>> clients;
    const std::string half = "kulsifre\x01" + std::string(3000, 'a');
    for (int i = 0; i < count; ++i) {
        auto c = std::make_unique<Plain>(port);
        if (!c->ok())
            break;
        c->sendSome(half);
        clients.push_back(std::move(c));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const long held = statusKib(server, "VmRSS:");
    const size_t opened = clients.size();
    clients.clear();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const long after = statusKib(server, "VmRSS:");
    std::printf(
        "  %zu half requests: server %.1f MB before, %.1f MB held (%.1f KiB each), %.1f MB after they left\n",
        opened, double(before) / 1024, double(held) / 1024, double(held - before) / double(opened),
        double(after) / 1024);
}

// Processor seconds a process has used.
double cpuSecondsOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15)
            ticks += std::stol(field);
    }
    return double(ticks) / double(sysconf(_SC_CLK_TCK));
}

// Clients that queue heavy requests and never read, beside a bystander that pings every 10 ms.
void nonReaders(uint16_t port, pid_t server, int count, int seconds, bool keepSending)
{
    Plain bystander(port);
    bystander.sendSome(loginBytes);
    bystander.until("tblhaklar", 3000);
    bystander.until("\xF4\xF4\xF4", 3000);
    std::string heavy;
    const std::string t("\x01");
    for (int i = 0; i < 20; ++i)
        heavy += "harmonikbir" + t + "310001" + t + "\xF4\xF4\xF4" + "sayac" + t + "530001" + t + "tdsEvt" +
                 t + "kythyr" + t + "\xF4\xF4\xF4" + "reaktifener" + t + "310001" + t + "1.03.2025" + t +
                 "14.03.2025" + t + "\xF4\xF4\xF4" + "enertum" + t + "310001" + t + "\xF4\xF4\xF4";
    // The same bystander alone first: what the machine gives a ping at this moment.
    std::vector<int64_t> alone;
    for (auto end = SteadyClock::now() + std::chrono::seconds(1); SteadyClock::now() < end;) {
        const auto sent = SteadyClock::now();
        bystander.sendSome(std::string("ping\xF4\xF4\xF4", 7));
        if (bystander.until(std::string("pong\x01\xF4\xF4\xF4", 8), 5000))
            alone.push_back(
                std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - sent).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const double aloneP50 = percentile(alone, 0.5), aloneP99 = percentile(alone, 0.99);
    const double cpuBefore = cpuSecondsOf(server);
    std::vector<std::unique_ptr<Plain>> sleepers;
    for (int i = 0; i < count; ++i) {
        sleepers.push_back(std::make_unique<Plain>(port, 4096));
        sleepers.back()->sendSome(loginBytes);
    }
    std::vector<int64_t> pings;
    int lost = 0;
    const auto end = SteadyClock::now() + std::chrono::seconds(seconds);
    while (SteadyClock::now() < end) {
        if (keepSending || pings.empty()) {
            for (auto &s : sleepers)
                s->sendSome(heavy);
        }
        const auto sent = SteadyClock::now();
        bystander.sendSome(std::string("ping\xF4\xF4\xF4", 7));
        if (bystander.until(std::string("pong\x01\xF4\xF4\xF4", 8), 20000))
            pings.push_back(
                std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - sent).count());
        else
            ++lost;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const size_t n = pings.size();
    const double cpu = cpuSecondsOf(server) - cpuBefore;
    const double p50 = percentile(pings, 0.5), p99 = percentile(pings, 0.99);
    std::printf(
        "  %d clients that never read, %s: bystander ping p50 %.2f ms, p99 %.2f ms over %zu pings, %d lost "
        "(goal p99 under 10 ms; alone p50 %.2f ms, p99 %.2f ms); server busy %.2f s of %d\n",
        count, keepSending ? "sending all the time" : "one burst each", p50, p99, n, lost, aloneP50, aloneP99,
        cpu, seconds);
}

// Wrong passwords from parallel connections: how many the server checks per second.
void guesses(uint16_t port, int parallel, int seconds)
{
    std::atomic<int> checked{0};
    std::vector<std::thread> threads;
    const auto end = SteadyClock::now() + std::chrono::seconds(seconds);
    for (int t = 0; t < parallel; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; SteadyClock::now() < end; ++i) {
                Plain c(port);
                c.sendSome("kulsifre\x01"
                           "demo\x01guess" +
                           std::to_string(t * 100000 + i) + "\x02\xF4\xF4\xF4");
                const auto left =
                    std::chrono::duration_cast<std::chrono::milliseconds>(end - SteadyClock::now());
                // The connection ends after the check: a closed one counts as a checked guess.
                if (left.count() > 0 && !c.until("never", int(left.count())) && SteadyClock::now() < end)
                    ++checked;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    std::printf("  wrong passwords from %d connections: %d checked in %d s, %.1f per second\n", parallel,
                checked.load(), seconds, double(checked.load()) / seconds);
}

// Both servers in TLS with the build's test certificate, the same client: pings and handshakes.
int tlsLoad(const std::string &bin, const std::string &config, int seconds, int clients)
{
    const std::string certs = bin + "../tests/tls/";
    asio::ssl::context client(asio::ssl::context::tls_client);
    client.load_verify_file(certs + "ca.pem");
    client.set_verify_mode(asio::ssl::verify_peer);
    SSL_CTX_set_session_cache_mode(client.native_handle(), SSL_SESS_CACHE_OFF);
    const uint16_t korvelPort = freePort();
    const pid_t korvelPid =
        spawn({bin + "korvel-server", "--port", std::to_string(korvelPort), "--config", config, "--tls-cert",
               certs + "server.pem", "--tls-key", certs + "server.key"});
    if (!waitListening(korvelPort)) {
        std::fprintf(stderr, "korvel-server did not start in TLS\n");
        return 2;
    }
    const uint16_t redisPort = freePort();
    const pid_t redisPid = installed("redis-server") ? spawn({"redis-server",
                                                              "--port",
                                                              "0",
                                                              "--tls-port",
                                                              std::to_string(redisPort),
                                                              "--tls-cert-file",
                                                              certs + "server.pem",
                                                              "--tls-key-file",
                                                              certs + "server.key",
                                                              "--tls-ca-cert-file",
                                                              certs + "ca.pem",
                                                              "--tls-auth-clients",
                                                              "no",
                                                              "--bind",
                                                              "127.0.0.1",
                                                              "--save",
                                                              "",
                                                              "--appendonly",
                                                              "no",
                                                              "--maxclients",
                                                              "20000"})
                                                     : -1;
    const bool haveRedis = redisPid > 0 && waitListening(redisPort);
    if (!haveRedis)
        std::printf("redis-server with TLS not available: no yardstick, ratios not computed\n");
    constexpr int rounds = 3;
    const int part = std::max(1, seconds / rounds);
    std::printf("TLS load: %d s per run in %d rounds that alternate the servers, %d connections at most\n",
                seconds, rounds, clients);
    Result k50, kMany, r50, rMany;
    double kHands = 0, rHands = 0;
    int kHandErrors = 0, rHandErrors = 0;
    auto add = [&](Result &sum, const Result &r) {
        sum.perSecond += r.perSecond / rounds;
        sum.p50 = std::max(sum.p50, r.p50);
        sum.p99 = std::max(sum.p99, r.p99);
        sum.connected = r.connected;
        sum.errors += r.errors;
    };
    for (int round = 0; round < rounds; ++round) {
        add(k50, measure(korvelPort, korvel, 50, 0, part, &client));
        if (haveRedis)
            add(r50, measure(redisPort, redis, 50, 0, part, &client));
        add(kMany, measure(korvelPort, korvel, clients, 0, part, &client));
        if (haveRedis)
            add(rMany, measure(redisPort, redis, clients, 0, part, &client));
        kHands += handshakes(korvelPort, client, 16, part, kHandErrors) / rounds;
        if (haveRedis)
            rHands += handshakes(redisPort, client, 16, part, rHandErrors) / rounds;
    }
    std::printf("replies per second (mean of the rounds), latency (worst round):\n");
    print("korvel-server TLS, 50 active", k50);
    if (haveRedis)
        print("redis-server TLS, 50 active", r50);
    print(("korvel-server TLS, " + std::to_string(clients) + " active").c_str(), kMany);
    if (haveRedis)
        print(("redis-server TLS, " + std::to_string(clients) + " active").c_str(), rMany);
    std::printf("  %-40s %9.0f per s (%d errors)\n", "korvel-server TLS handshakes", kHands, kHandErrors);
    if (haveRedis)
        std::printf("  %-40s %9.0f per s (%d errors)\n", "redis-server TLS handshakes", rHands, rHandErrors);
    bool met = true;
    if (haveRedis) {
        auto ratio = [&](const std::string &what, double value) {
            met = met && value >= 0.8;
            std::printf("%-58s %.2f (goal at least 0.80) %s\n", what.c_str(), value,
                        value >= 0.8 ? "met" : "MISSED");
        };
        ratio("TLS 50 active, korvel-server / redis-server", k50.perSecond / r50.perSecond);
        ratio("TLS " + std::to_string(clients) + " active, korvel-server / redis-server",
              kMany.perSecond / rMany.perSecond);
        ratio("TLS handshakes, korvel-server / redis-server", kHands / rHands);
    }
    stopProcess(redisPid);
    stopProcess(korvelPid);
    std::remove(config.c_str());
    return met && k50.errors + kMany.errors == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    signal(SIGPIPE, SIG_IGN);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int clients = argc > 2 ? std::max(100, std::atoi(argv[2])) : 1000;
    constexpr int rounds = 3;

    // The demo data with pace off (no notices in the replies counted) and limits for a load test:
    // every connection comes from one address and pings as fast as it is answered.
    const std::string config = "/tmp/korvel-server-load-" + std::to_string(getpid()) + ".json";
    {
        std::ofstream out(config);
        out << R"({"pace": {"values": 0, "inputs": 0, "messages": 0},
  "limits": {"connectionsPerAddress": 100000, "requestsPerSecond": 0},
  "groups": [{"name": "Merkez", "devices": [{"type": "VNA310", "name": "Analizor", "serial": "310001"}]}],
  "users": [{"name": "demo", "password": "demo", "haklar": [3, 1], "tblhaklar": [1, 3, 7, 3, 255, 7],
             "devices": "*"}]})";
    }
    if (argc > 3 && std::string(argv[3]) == "tls")
        return tlsLoad(directory(argv[0]), config, seconds, clients);
    const uint16_t korvelPort = freePort();
    const pid_t korvelPid = spawn(
        {directory(argv[0]) + "korvel-server", "--port", std::to_string(korvelPort), "--config", config});
    if (!waitListening(korvelPort)) {
        std::fprintf(stderr, "korvel-server did not start\n");
        return 2;
    }
    pid_t redisPid = -1;
    uint16_t redisPort = 0;
    if (installed("redis-server")) {
        redisPort = freePort();
        redisPid = spawn({"redis-server", "--port", std::to_string(redisPort), "--bind", "127.0.0.1",
                          "--save", "", "--appendonly", "no", "--maxclients", "20000"});
        if (!waitListening(redisPort)) {
            stopProcess(redisPid);
            redisPid = -1;
        }
    }
    if (redisPid < 0)
        std::printf("redis-server not available: no yardstick, ratios not computed\n");

    std::printf("korvel-server load: %d s per run in %d rounds that alternate the servers, %d connections "
                "at most\n",
                seconds, rounds, clients);
    // The machine may be shared: alternating short runs gives both servers the same background.
    Result k50, kMany, kBeside, r50, rMany;
    auto add = [](Result &sum, const Result &r) {
        sum.perSecond += r.perSecond / rounds;
        sum.p50 = std::max(sum.p50, r.p50);
        sum.p99 = std::max(sum.p99, r.p99);
        sum.connected = r.connected;
        sum.errors += r.errors;
    };
    const int part = std::max(1, seconds / rounds);
    for (int round = 0; round < rounds; ++round) {
        // Each pair that makes a ratio is measured back to back.
        add(kBeside, measure(korvelPort, korvel, 50, clients - 50, part));
        add(k50, measure(korvelPort, korvel, 50, 0, part));
        if (redisPid > 0)
            add(r50, measure(redisPort, redis, 50, 0, part));
        add(kMany, measure(korvelPort, korvel, clients, 0, part));
        if (redisPid > 0)
            add(rMany, measure(redisPort, redis, clients, 0, part));
    }
    std::printf("replies per second (mean of the rounds), latency (worst round):\n");
    print("korvel-server, 50 active", k50);
    if (redisPid > 0)
        print("redis-server, 50 active", r50);
    print(("korvel-server, " + std::to_string(clients) + " active").c_str(), kMany);
    if (redisPid > 0)
        print(("redis-server, " + std::to_string(clients) + " active").c_str(), rMany);
    print(("korvel-server, 50 active beside " + std::to_string(clients - 50) + " idle").c_str(), kBeside);
    std::printf("korvel-server memory: %ld KiB now, %ld KiB peak\n", statusKib(korvelPid, "VmRSS:"),
                statusKib(korvelPid, "VmHWM:"));

    bool met = true;
    auto ratio = [&](const char *what, double value, double goal) {
        const bool ok = value >= goal;
        met = met && ok;
        std::printf("%-58s %.2f (goal at least %.2f) %s\n", what, value, goal, ok ? "met" : "MISSED");
    };
    if (redisPid > 0) {
        std::printf("%-58s %.2f\n", "50 active, korvel-server / redis-server", k50.perSecond / r50.perSecond);
        ratio((std::to_string(clients) + " active, korvel-server / redis-server").c_str(),
              kMany.perSecond / rMany.perSecond, 0.5);
    }
    ratio("50 active beside idle ones / 50 alone", kBeside.perSecond / k50.perSecond, 0.9);

    stopProcess(redisPid);
    std::printf("hostile probes at full size:\n");
    halfRequests(korvelPort, korvelPid, 5000);
    nonReaders(korvelPort, korvelPid, 200, seconds, false);
    nonReaders(korvelPort, korvelPid, 200, seconds, true);
    guesses(korvelPort, 50, seconds);
    stopProcess(korvelPid);
    std::remove(config.c_str());
    const bool clean = k50.errors + kMany.errors + kBeside.errors == 0;
    return met && clean ? 0 : 1;
}
