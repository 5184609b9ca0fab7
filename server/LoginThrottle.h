#pragma once

#include "ServerOptions.h"

#include <QHash>
#include <QString>

namespace korvel::server
{

// Slows the guesser, not the user. An address that has failed to log in a few times gets at most one
// attempt checked per back-off period, doubling with each further failure up to a ceiling; failures
// for a user name slow further attempts at that name, but only from addresses that have failed
// themselves, so a correct login from a clean address is never held. Nothing is reserved for an
// attempt that waits: it asks again when its time comes, so one whose connection ends in the
// meantime counts for nothing. Times are milliseconds of a steady clock.
class LoginThrottle final
{
public:
    explicit LoginThrottle(const ServerOptions &options) : m_options(options) {}

    // How long an attempt from this address at this name must still wait; 0 when it may be checked
    // now, and then it must be checked before the loop goes on (failed() or succeeded()).
    qint64 wait(const QString &address, const QString &user, qint64 nowMs) const;
    void failed(const QString &address, const QString &user, qint64 nowMs);
    // Forgets the address's failures; the name's stay, as they only slow addresses that fail.
    void succeeded(const QString &address);
    // Drops the records of addresses and names that have not failed for the memory time.
    void forget(qint64 nowMs);

    qsizetype records() const { return m_byAddress.size() + m_byName.size(); }

private:
    struct Record {
        int failures = 0;
        qint64 nextCheck = 0; // no attempt is checked before this time
        qint64 lastFailure = 0;
    };
    qint64 delay(int failures) const;
    void failedOn(QHash<QString, Record> &records, const QString &key, qint64 nowMs);

    const ServerOptions &m_options;
    QHash<QString, Record> m_byAddress;
    QHash<QString, Record> m_byName;
};

} // namespace korvel::server
