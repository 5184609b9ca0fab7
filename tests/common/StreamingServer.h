#pragma once

// A data server on loopback that accepts one client, waits for its login, answers it with one analyzer
// and view rights, then streams register dumps and value records of `devices` devices as fast as the
// socket takes them, until it is destroyed. For the tests and benchmarks of a client under a flood.
#include <QByteArray>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace korvel::test
{

inline QByteArray streamedDump(int n)
{
    QByteArray reply = "enerjial\x01\x01\x01"
                       "1$3$144$";
    for (int i = 0; i < 144; ++i)
        reply += QByteArray::number((i * 7 + n) % 256) + '$';
    return reply + "12$34$\x01";
}

inline QByteArray streamedRecords(int device, int n)
{
    QByteArray reply = "cihazenerji\x01" + QByteArray::number(310001 + device) + "\x01G\x01";
    for (int i = 0; i < 43; ++i)
        reply += "$0" + QByteArray::number(i * 1000 + (n + device) % 997).rightJustified(8, '0');
    return reply + "$100002   $000044000\x01\x01\xF4\xF4\xF4";
}

class StreamingServer
{
public:
    static constexpr int devices = 10;

    StreamingServer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
            ::listen(m_listen, 1) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
            std::perror("streaming server");
            std::exit(2);
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~StreamingServer()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        if (m_client >= 0)
            ::shutdown(m_client, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
        if (m_client >= 0)
            ::close(m_client);
    }
    quint16 port() const { return m_port; }
    qint64 sent() const { return m_replies; }

private:
    void run()
    {
        m_client = ::accept(m_listen, nullptr, nullptr);
        if (m_client < 0)
            return;
        QByteArray request;
        char buffer[4096];
        while (!request.contains("\xF4\xF4\xF4")) {
            const ssize_t n = ::recv(m_client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, n);
        }
        send("cihazlar\x01G\x01VNA310\x01"
             "Analiz\xF6r\x01"
             "12001\x01\xF4\xF4\xF4"
             "haklar\x01"
             "3\x01"
             "0\x01\xF4\xF4\xF4");
        for (int n = 0; !m_stop; ++n) {
            QByteArray burst = streamedDump(n);
            for (int d = 0; d < devices; ++d)
                burst += streamedRecords(d, n);
            if (!send(burst))
                return;
            m_replies += 1 + devices;
        }
    }
    bool send(const QByteArray &bytes)
    {
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t n =
                ::send(m_client, bytes.constData() + at, size_t(bytes.size() - at), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            at += n;
        }
        return true;
    }

    int m_listen = -1;
    int m_client = -1;
    quint16 m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_replies{0};
};

} // namespace korvel::test
