#include "RawClient.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvel::server::test
{

RawClient::RawClient(quint16 port, int receiveWindow, const char *source)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (receiveWindow > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveWindow, sizeof receiveWindow);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (source) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (::inet_pton(AF_INET, source, &local.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
            ::close(fd);
            return;
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fd = fd;
}

RawClient::~RawClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qsizetype RawClient::sendSome(const QByteArray &bytes)
{
    const ssize_t n = ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    return n > 0 ? n : 0;
}

bool RawClient::send(const QByteArray &bytes)
{
    qsizetype sent = 0;
    QElapsedTimer timer;
    timer.start();
    while (sent < bytes.size() && timer.elapsed() < 3000) {
        const ssize_t n = ::send(m_fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        } else {
            return false;
        }
    }
    return sent == bytes.size();
}

void RawClient::shutdownWrite()
{
    ::shutdown(m_fd, SHUT_WR);
}

QByteArray RawClient::readUntil(const QByteArray &end, int timeoutMs)
{
    return readWhole(
        [&end](const QByteArray &buffer) {
            const qsizetype at = buffer.indexOf(end);
            return at < 0 ? -1 : at + end.size();
        },
        timeoutMs);
}

QByteArray RawClient::readReply(int timeoutMs)
{
    return readWhole(
        [](const QByteArray &buffer) {
            // "enerjial" ends with the 0x01 after its dump, which holds none; the others at the terminator.
            const bool dump = buffer.startsWith("enerjial");
            const qsizetype at = dump ? buffer.indexOf('\x01', 11) : buffer.indexOf("\xF4\xF4\xF4");
            return at < 0 ? -1 : at + (dump ? 1 : 3);
        },
        timeoutMs);
}

QByteArray RawClient::readWhole(const std::function<qsizetype(const QByteArray &)> &end, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (true) {
        if (const qsizetype length = end(m_buffer); length >= 0) {
            const QByteArray out = m_buffer.left(length);
            m_buffer.remove(0, length);
            return out;
        }
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            return {};
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char chunk[16384];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n <= 0 && !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
            return {};
        if (n > 0)
            m_buffer.append(chunk, n);
    }
}

bool RawClient::closedWithin(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, int(timeoutMs - timer.elapsed())) <= 0)
            continue;
        char chunk[16384];
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            return true;
    }
    return false;
}

bool RawClient::login(const char *user, const char *password)
{
    send(QByteArray("kulsifre\x01") + user + '\x01' + password + "\x02\xF4\xF4\xF4");
    return !readUntil("tblhaklar").isEmpty() && !readUntil("\xF4\xF4\xF4").isEmpty();
}

double RawClient::pingMs(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    send(QByteArray("ping\xF4\xF4\xF4"));
    if (readUntil("pong\x01\xF4\xF4\xF4", timeoutMs).isEmpty())
        return -1;
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace korvel::server::test
