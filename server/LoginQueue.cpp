#include "LoginQueue.h"

#include <asio/post.hpp>

#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace korvel::server
{

namespace
{

// Bounds the memory a flood from invented addresses can take.
constexpr qsizetype maxShares = 50'000;
// The checkers' niceness: a check waits a moment for the loop, never the loop for a check. A busy
// core otherwise keeps a reply waiting for the scheduler's next turn, tens of milliseconds.
constexpr int checkerNiceness = 10;

void yieldToTheLoop()
{
    thread_local bool done = false;
    if (!done) {
        done = true;
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), checkerNiceness);
    }
}

} // namespace

LoginQueue::LoginQueue(asio::io_context &loop, int workers, int capacity, int perAddress)
    : m_loop(loop), m_workers(std::max(1, workers)), m_capacity(std::max(1, capacity)),
      m_perAddress(std::max(1, perAddress)), m_pool(size_t(m_workers))
{
}

LoginQueue::~LoginQueue()
{
    // A check that runs finishes; its outcome is posted to a loop that no longer runs it.
    m_pool.stop();
    m_pool.join();
}

bool LoginQueue::enter(const QString &address, qint64 nowMs)
{
    if (m_shares.size() >= maxShares && !m_shares.contains(address)) {
        m_shares.removeIf([](const QHash<QString, Share>::iterator &it) { return it->outstanding == 0; });
    }
    Share &share = m_shares[address];
    ++share.attempts;
    share.lastAttempt = nowMs;
    if (share.outstanding >= m_perAddress)
        return false;
    ++share.outstanding;
    return true;
}

void LoginQueue::leave(const QString &address)
{
    const auto it = m_shares.find(address);
    if (it != m_shares.end() && it->outstanding > 0)
        --it->outstanding;
}

bool LoginQueue::before(const Entry &a, const Entry &b) const
{
    const qint64 askedA = m_shares.value(a.address).attempts;
    const qint64 askedB = m_shares.value(b.address).attempts;
    return askedA != askedB ? askedA < askedB : a.id < b.id;
}

quint64 LoginQueue::submit(const QString &address, Check check, Done done, Refused refused)
{
    Entry entry{m_nextId++, address, std::move(check), std::move(done), std::move(refused)};
    Refused displaced;
    if (qsizetype(m_queue.size()) >= m_capacity) {
        const auto last = std::max_element(m_queue.begin(), m_queue.end(),
                                           [this](const Entry &a, const Entry &b) { return before(a, b); });
        if (!before(entry, *last))
            return 0;
        displaced = std::move(last->refused);
        m_queue.erase(last);
    }
    const quint64 id = entry.id;
    m_queue.push_back(std::move(entry));
    if (displaced)
        displaced();
    runNext();
    return id;
}

bool LoginQueue::withdraw(quint64 id)
{
    const auto it = std::find_if(m_queue.begin(), m_queue.end(), [id](const Entry &e) { return e.id == id; });
    if (it == m_queue.end())
        return false;
    m_queue.erase(it);
    return true;
}

void LoginQueue::runNext()
{
    while (m_running < m_workers && !m_queue.empty()) {
        const auto first = std::min_element(m_queue.begin(), m_queue.end(),
                                            [this](const Entry &a, const Entry &b) { return before(a, b); });
        Entry entry = std::move(*first);
        m_queue.erase(first);
        ++m_running;
        asio::post(m_pool, [this, check = std::move(entry.check), done = std::move(entry.done)]() mutable {
            yieldToTheLoop();
            const UserAccount *account = check();
            // The callback, and the session it holds, live on and die on the loop's thread.
            asio::post(m_loop, [this, account, done = std::move(done)] {
                --m_running;
                done(account);
                runNext();
            });
        });
    }
}

void LoginQueue::forget(qint64 nowMs, qint64 memoryMs)
{
    m_shares.removeIf([&](const QHash<QString, Share>::iterator &it) {
        return it->outstanding == 0 && nowMs - it->lastAttempt > memoryMs;
    });
}

} // namespace korvel::server
