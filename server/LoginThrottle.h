#pragma once

#include "ServerOptions.h"

#include <QHash>
#include <QString>

namespace korvel::server
{

// Failed logins slow down the next attempts from the same address and for the same user name: each
// failure doubles the delay up to a ceiling. Attempts that arrive together queue one behind the other,
// so parallel connections guess no faster than one. Times are milliseconds of a steady clock.
class LoginThrottle final
{
public:
    explicit LoginThrottle(const ServerOptions &options) : m_options(options) {}

    // How long this attempt waits before its password is checked; its turn is reserved.
    qint64 admit(const QString &address, const QString &user, qint64 nowMs);
    void failed(const QString &address, const QString &user, qint64 nowMs);
    void succeeded(const QString &address, const QString &user);
    // An admitted attempt that was never checked: its connection ended while it waited.
    void abandoned(const QString &address, const QString &user);
    // Drops the records of addresses and names that have not failed for the memory time.
    void forget(qint64 nowMs);

    qsizetype records() const { return m_byAddress.size() + m_byName.size(); }

private:
    struct Record {
        int failures = 0;
        int pending = 0; // admitted and not yet checked: counted as failures for the next turn
        qint64 nextSlot = 0;
        qint64 lastFailure = 0;
    };
    qint64 delay(int failures) const;
    void failedOn(QHash<QString, Record> &records, const QString &key, qint64 nowMs);
    void settle(const QString &address, const QString &user);

    const ServerOptions &m_options;
    QHash<QString, Record> m_byAddress;
    QHash<QString, Record> m_byName;
};

} // namespace korvel::server
