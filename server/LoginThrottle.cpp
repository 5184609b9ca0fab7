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

LoginThrottle::Turn LoginThrottle::admit(const QString &address, const QString &user, qint64 nowMs)
{
    Turn turn{address, user};
    const auto byAddress = m_byAddress.find(address);
    if (byAddress == m_byAddress.end() || byAddress->failures == 0)
        return turn;
    const auto take = [&](Record &record, qint64 &next, qint64 &before) {
        const qint64 until = nowMs + delay(record.failures);
        if (until <= record.nextCheck || until <= nowMs)
            return;
        before = record.nextCheck;
        next = record.nextCheck = until;
    };
    take(*byAddress, turn.addressNext, turn.addressBefore);
    if (const auto byName = m_byName.find(user); byName != m_byName.end())
        take(*byName, turn.userNext, turn.userBefore);
    return turn;
}

void LoginThrottle::withdraw(const Turn &turn)
{
    // Only a turn that nothing has moved since: a failure or another turn keeps its own time.
    const auto giveBack = [](QHash<QString, Record> &records, const QString &key, qint64 next,
                             qint64 before) {
        const auto it = records.find(key);
        if (next >= 0 && it != records.end() && it->nextCheck == next)
            it->nextCheck = before;
    };
    giveBack(m_byAddress, turn.address, turn.addressNext, turn.addressBefore);
    giveBack(m_byName, turn.user, turn.userNext, turn.userBefore);
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
