#pragma once

#include <QHash>
#include <QString>

#include <asio/io_context.hpp>
#include <asio/thread_pool.hpp>

#include <functional>
#include <vector>

namespace korvel::server
{

struct UserAccount;

// The password checks that wait for a worker. An Argon2id check costs a core for a good part of a
// second, so a flood of logins must not stand between a user and the answer:
// - an address has at most perAddress logins outstanding (held back by the throttle, queued or being
//   checked); a login beyond that is refused at once, unchecked;
// - at most capacity checks wait in all; the next to run is the one whose address has asked least
//   lately (ties: the oldest), so a user from an address that floods nothing runs before the flood,
//   and when the queue is full a newcomer that ranks before the last entry takes its place (that one
//   is refused unchecked): a correct login from a quiet address is never behind more than capacity;
// - a check whose connection has gone is withdrawn and never runs.
// Checks run on the worker threads; everything else, the callbacks included, on the loop's thread.
class LoginQueue final
{
public:
    using Check = std::function<const UserAccount *()>;
    using Done = std::function<void(const UserAccount *)>;
    using Refused = std::function<void()>;

    LoginQueue(asio::io_context &loop, int workers, int capacity, int perAddress);
    ~LoginQueue();
    LoginQueue(const LoginQueue &) = delete;
    LoginQueue &operator=(const LoginQueue &) = delete;

    // A login from the address begins; false when the address has its share outstanding already.
    bool enter(const QString &address, qint64 nowMs);
    // That login has ended: answered, refused or its connection gone.
    void leave(const QString &address);
    // Queues a check: done gets its outcome on the loop's thread, or refused is called when a better
    // ranked check takes its place. 0 when the queue is full of checks that rank before it.
    quint64 submit(const QString &address, Check check, Done done, Refused refused);
    // Takes a check out of the queue before it runs; false when it is running or done.
    bool withdraw(quint64 id);
    // Forgets the addresses that have nothing outstanding and have not asked for the memory time.
    void forget(qint64 nowMs, qint64 memoryMs);

    qsizetype waiting() const { return qsizetype(m_queue.size()); }
    int workers() const { return m_workers; }

private:
    struct Entry {
        quint64 id;
        QString address;
        Check check;
        Done done;
        Refused refused;
    };
    struct Share {
        int outstanding = 0;
        qint64 attempts = 0;
        qint64 lastAttempt = 0;
    };
    // Which of two entries runs first.
    bool before(const Entry &a, const Entry &b) const;
    void runNext();

    asio::io_context &m_loop;
    const int m_workers;
    const int m_capacity;
    const int m_perAddress;
    std::vector<Entry> m_queue;
    QHash<QString, Share> m_shares;
    int m_running = 0;
    quint64 m_nextId = 1;
    // Declared last: stopped and joined first, while the rest is still there.
    asio::thread_pool m_pool;
};

} // namespace korvel::server
