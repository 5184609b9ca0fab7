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
// meantime counts for nothing. A check that starts takes the period's turn (admit()), so that the
// other connections the address holds wait for the next period rather than all being checked when
// this one ends; a check withdrawn before it ran gives the turn back. Times are milliseconds of a
// steady clock.
class LoginThrottle final
{
public:
    explicit LoginThrottle(const ServerOptions &options) : m_options(options) {}

    // How long an attempt from this address at this name must still wait; 0 when it may be checked
    // now, and then it takes its turn before the loop goes on (admit()).
    qint64 wait(const QString &address, const QString &user, qint64 nowMs) const;
    // The turn taken by a check that starts now; withdraw() gives it back.
    struct Turn {
        QString address;
        QString user;
        qint64 addressNext = -1; // the times the turn set, and those it replaced; -1 when none
        qint64 addressBefore = 0;
        qint64 userNext = -1;
        qint64 userBefore = 0;
    };
    Turn admit(const QString &address, const QString &user, qint64 nowMs);
    void withdraw(const Turn &turn);
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
