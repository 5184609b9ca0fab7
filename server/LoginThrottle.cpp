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
    if (failures < m_options.loginFreeFailures)
        return 0;
    qint64 ms = m_options.loginBackoffMs;
    for (int i = m_options.loginFreeFailures; i < failures && ms < m_options.loginBackoffCeilingMs; ++i)
        ms *= 2;
    return std::min<qint64>(ms, m_options.loginBackoffCeilingMs);
}

qint64 LoginThrottle::wait(const QString &address, const QString &user, qint64 nowMs) const
{
    const auto byAddress = m_byAddress.constFind(address);
    if (byAddress == m_byAddress.cend() || byAddress->failures == 0)
        return 0;
    qint64 next = byAddress->nextCheck;
    if (const auto byName = m_byName.constFind(user); byName != m_byName.cend())
        next = std::max(next, byName->nextCheck);
    return std::max<qint64>(0, next - nowMs);
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
    r.nextCheck = nowMs + delay(r.failures);
}

void LoginThrottle::failed(const QString &address, const QString &user, qint64 nowMs)
{
    failedOn(m_byAddress, address, nowMs);
    failedOn(m_byName, user, nowMs);
}

void LoginThrottle::succeeded(const QString &address)
{
    m_byAddress.remove(address);
}

void LoginThrottle::forget(qint64 nowMs)
{
    for (QHash<QString, Record> *records : {&m_byAddress, &m_byName}) {
        records->removeIf([&](const QHash<QString, Record>::iterator &it) {
            return nowMs - it->lastFailure > m_options.loginMemoryMs && it->nextCheck <= nowMs;
        });
    }
}

} // namespace korvel::server
