// modbus_load [SECONDS] [DEVICES]: korvel-server as a gateway under load, run by hand. Starts korvel-server
// from the same folder twice, each time with DEVICES analyzers (200) whose value records are polled every
// second, and a logged-in bystander that sees them all and pings every 10 ms:
//   simulated: the server's own simulated analyzers;
//   modbus:    the same number on Modbus TCP, served by four pymodbus processes of
//              tests/server/modbus_simulator.py (DEVICES / 4 unit ids each, so four lines in parallel).
// Each run lasts SECONDS (20). Prints, side by side, the server's processor time per poll (user and
// system time of its process over the value notices the bystander received) and the bystander's ping
// p50 and p99.
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using SteadyClock = std::chrono::steady_clock;

std::string ownFolder()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    std::string p(path, size_t(n));
    return p.substr(0, p.rfind('/'));
}

int freePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t length = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
    close(fd);
    return ntohs(a.sin_port);
}

// A child process; with a pipe, its standard output is readable through out.
struct Child {
    pid_t pid = -1;
    int out = -1;
};

Child spawn(const std::vector<std::string> &args, bool pipeOutput)
{
    int fds[2] = {-1, -1};
    if (pipeOutput && pipe(fds) != 0)
        return {};
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        if (pipeOutput)
            dup2(fds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        std::vector<char *> argv;
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pipeOutput) {
        close(fds[1]);
        child.out = fds[0];
    }
    return child;
}

void stop(Child &child)
{
    if (child.pid > 0) {
        kill(child.pid, SIGTERM);
        waitpid(child.pid, nullptr, 0);
    }
    if (child.out >= 0)
        close(child.out);
    child = {};
}

// A simulator serving units 1..count on a free port; waits for its "ready" line.
Child simulator(const std::string &script, int port, int count)
{
    Child child = spawn({"/usr/bin/python3", script, "--tcp", "127.0.0.1:" + std::to_string(port), "--units",
                         "1-" + std::to_string(count)},
                        true);
    std::string line;
    char c;
    pollfd p{child.out, POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 20000) > 0 && read(child.out, &c, 1) == 1)
        line += c;
    if (line.rfind("ready", 0) != 0)
        std::fprintf(stderr, "modbus_load: the simulator did not start\n");
    return child;
}

double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

std::string configOf(int devices, const std::vector<int> &simulatorPorts)
{
    std::string json = R"({"pace":{"values":1,"inputs":0,"messages":0},"limits":{"idleSeconds":3600},)"
                       R"("modbus":{"timeoutMs":1000,"retries":2,"probeSeconds":30,"queue":16},)"
                       R"("groups":[{"name":"Yuk","devices":[)";
    const int perLine = simulatorPorts.empty()
                            ? devices
                            : (devices + int(simulatorPorts.size()) - 1) / int(simulatorPorts.size());
    for (int i = 0; i < devices; ++i) {
        json += i ? "," : "";
        json += R"({"type":"VNA310","name":"A)" + std::to_string(i) + R"(","serial":")" +
                std::to_string(311000 + i) + "\"";
        if (!simulatorPorts.empty())
            json += R"(,"link":{"modbusTcp":"127.0.0.1:)" +
                    std::to_string(simulatorPorts[size_t(i / perLine)]) + R"(","unit":)" +
                    std::to_string(i % perLine + 1) + "}";
        json += "}";
    }
    json += R"(]}],"users":[{"name":"demo","password":"demo","haklar":[3,1],)"
            R"("tblhaklar":[1,3,7,3,255,7],"devices":"*"}]})";
    return json;
}

struct Result {
    double cpuPerPollUs = 0;
    long polls = 0;
    double p50 = 0, p99 = 0;
};

// Logs in, then pings every 10 ms for the run, counting the value notices that arrive meanwhile.
Result measure(int port, pid_t server, int seconds)
{
    Result result;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 100 && connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const std::string login("kulsifre\x01"
                            "demo\x01"
                            "demo\x02\xF4\xF4\xF4");
    send(fd, login.data(), login.size(), 0);
    std::string buffer;
    long notices = 0;
    long pongs = 0;
    auto readSome = [&](int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return;
        char chunk[65536];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n > 0)
            buffer.append(chunk, size_t(n));
        // Counts what arrived; keeps a tail that may hold the start of the next word.
        for (size_t at = 0; (at = buffer.find("cihazenerji", at)) != std::string::npos; at += 11)
            ++notices;
        for (size_t at = 0; (at = buffer.find("pong\x01", at)) != std::string::npos; at += 5)
            ++pongs;
        buffer.erase(0, buffer.size() > 12 ? buffer.size() - 12 : 0);
        if (buffer.find("pong\x01") != std::string::npos || buffer.find("cihazenerji") != std::string::npos)
            buffer.clear();
    };
    // Settle: the first polls, the probes.
    const auto settle = SteadyClock::now() + std::chrono::seconds(3);
    while (SteadyClock::now() < settle)
        readSome(50);
    buffer.clear();
    notices = 0;
    pongs = 0;
    const double cpuBefore = cpuSeconds(server);
    std::vector<double> pings;
    const auto end = SteadyClock::now() + std::chrono::seconds(seconds);
    const std::string ping("ping\xF4\xF4\xF4");
    while (SteadyClock::now() < end) {
        const auto sent = SteadyClock::now();
        send(fd, ping.data(), ping.size(), 0);
        const long expected = pongs + 1;
        while (pongs < expected && SteadyClock::now() - sent < std::chrono::seconds(5))
            readSome(100);
        pings.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - sent).count());
        const auto next = sent + std::chrono::milliseconds(10);
        while (SteadyClock::now() < next)
            readSome(int(std::max<long>(
                0,
                std::chrono::duration_cast<std::chrono::milliseconds>(next - SteadyClock::now()).count())));
    }
    const double cpu = cpuSeconds(server) - cpuBefore;
    close(fd);
    std::sort(pings.begin(), pings.end());
    result.polls = notices;
    result.cpuPerPollUs = notices ? cpu * 1e6 / double(notices) : 0;
    result.p50 = pings[pings.size() / 2];
    result.p99 = pings[pings.size() * 99 / 100];
    return result;
}

Result run(int devices, int seconds, bool modbus)
{
    const std::string folder = ownFolder();
    const std::string script = folder + "/../../tests/server/modbus_simulator.py";
    std::vector<Child> simulators;
    std::vector<int> ports;
    if (modbus) {
        for (int i = 0; i < 4; ++i) {
            ports.push_back(freePort());
            simulators.push_back(simulator(script, ports.back(), (devices + 3) / 4));
        }
    }
    const std::string config = "/tmp/modbus_load_" + std::to_string(getpid()) + ".json";
    std::ofstream(config) << configOf(devices, ports);
    const int port = freePort();
    Child server =
        spawn({folder + "/korvel-server", "--port", std::to_string(port), "--config", config}, false);
    const Result result = measure(port, server.pid, seconds);
    stop(server);
    for (Child &s : simulators)
        stop(s);
    std::remove(config.c_str());
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int devices = argc > 2 ? std::atoi(argv[2]) : 200;
    signal(SIGPIPE, SIG_IGN);
    const Result simulated = run(devices, seconds, false);
    const Result modbus = run(devices, seconds, true);
    std::printf("%d analyzers polled every second, %d s each\n", devices, seconds);
    std::printf("%-10s %10s %16s %12s %12s\n", "devices", "polls", "cpu/poll (us)", "ping p50 ms",
                "ping p99 ms");
    for (const auto &[name, r] : {std::pair{"simulated", simulated}, std::pair{"modbus", modbus}})
        std::printf("%-10s %10ld %16.1f %12.3f %12.3f\n", name, r.polls, r.cpuPerPollUs, r.p50, r.p99);
    std::printf("modbus / simulated: cpu per poll %.2f, ping p99 %.2f\n",
                simulated.cpuPerPollUs > 0 ? modbus.cpuPerPollUs / simulated.cpuPerPollUs : 0,
                simulated.p99 > 0 ? modbus.p99 / simulated.p99 : 0);
    return 0;
}
