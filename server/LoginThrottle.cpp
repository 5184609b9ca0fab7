#include "LoginThrottle.h"

#include <algorithm>

namespace korvel::server
{

namespace
{

// Bounds the memory a flood of invented user names can take.
constexpr qsizetype maxRecords = 50'000;

} // namespace

qint64 LoginThrottle::delay(int failures) const
{
    qint64 ms = m_options.loginBackoffMs;
    for (int i = 1; i < failures && ms < m_options.loginBackoffCeilingMs; ++i)
        ms *= 2;
    return std::min<qint64>(ms, m_options.loginBackoffCeilingMs);
}

qint64 LoginThrottle::admit(const QString &address, const QString &user, qint64 nowMs)
{
    Record *records[] = {nullptr, nullptr};
    if (auto it = m_byAddress.find(address); it != m_byAddress.end())
        records[0] = &*it;
    if (auto it = m_byName.find(user); it != m_byName.end())
        records[1] = &*it;
    qint64 slot = nowMs;
    for (Record *r : records) {
        if (r)
            slot = std::max(slot, r->nextSlot);
    }
    // The next attempt waits behind this one as though this one fails too.
    for (Record *r : records) {
        if (r) {
            ++r->pending;
            r->nextSlot = slot + delay(r->failures + r->pending);
        }
    }
    return slot - nowMs;
}

void LoginThrottle::failedOn(QHash<QString, Record> &records, const QString &key, qint64 nowMs)
{
    if (records.size() >= maxRecords && !records.contains(key)) {
        forget(nowMs);
        if (records.size() >= maxRecords)
            records.clear();
    }
    Record &r = records[key];
    ++r.failures;
    r.lastFailure = nowMs;
    r.nextSlot = std::max(r.nextSlot, nowMs + delay(r.failures));
}

void LoginThrottle::settle(const QString &address, const QString &user)
{
    if (auto it = m_byAddress.find(address); it != m_byAddress.end() && it->pending > 0)
        --it->pending;
    if (auto it = m_byName.find(user); it != m_byName.end() && it->pending > 0)
        --it->pending;
}

void LoginThrottle::abandoned(const QString &address, const QString &user)
{
    settle(address, user);
}

void LoginThrottle::failed(const QString &address, const QString &user, qint64 nowMs)
{
    settle(address, user);
    failedOn(m_byAddress, address, nowMs);
    failedOn(m_byName, user, nowMs);
}

void LoginThrottle::succeeded(const QString &address, const QString &user)
{
    m_byAddress.remove(address);
    m_byName.remove(user);
}

void LoginThrottle::forget(qint64 nowMs)
{
    for (QHash<QString, Record> *records : {&m_byAddress, &m_byName}) {
        records->removeIf([&](const QHash<QString, Record>::iterator &it) {
            return nowMs - it->lastFailure > m_options.loginMemoryMs && it->nextSlot <= nowMs;
        });
    }
}

} // namespace korvel::server
