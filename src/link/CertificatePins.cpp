#include "link/CertificatePins.h"

#include "core/Environment.h"
#include "link/Link.h"

namespace korvel
{

namespace
{
// Followed by host:port; the value is the pinned certificate's SHA-256.
QString settingKey(const QString &host, quint16 port)
{
    return QStringLiteral("sertifikalar/") + host.toLower() + u':' + QString::number(port);
}
} // namespace

QString CertificatePins::pinned(const QString &host, quint16 port) const
{
    return m_environment.setting(settingKey(host, port));
}

void CertificatePins::pin(const QString &host, quint16 port, const QString &fingerprint)
{
    m_environment.setSetting(settingKey(host, port), fingerprint);
}

bool CertificatePins::forget(const QString &host, quint16 port)
{
    if (pinned(host, port).isEmpty())
        return false;
    m_environment.setSetting(settingKey(host, port), QString());
    return true;
}

CertificatePins::Verdict CertificatePins::judge(const QString &host, quint16 port,
                                                const CertificateCheck &check) const
{
    // The named authority decides first: a pin made earlier cannot let through what it refuses.
    if (!m_authorityFile.isEmpty() && !check.problems.isEmpty())
        return Verdict::Rejected;
    // Otherwise a pin outranks the authorities: the user's word on this server is what it was then.
    if (const QString pin = pinned(host, port); !pin.isEmpty())
        return pin == check.fingerprint ? Verdict::Trusted : Verdict::Changed;
    if (check.problems.isEmpty())
        return Verdict::Trusted;
    return check.unknownAuthorityOnly ? Verdict::Ask : Verdict::Rejected;
}

} // namespace korvel
