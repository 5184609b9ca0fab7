#pragma once

#include <QString>

namespace korvel
{

class Environment;
struct CertificateCheck;

// The server certificates the user chose to trust, one SHA-256 fingerprint per host and port, kept
// between runs, and what a handshake's certificate means in their light. An authority the user named
// (--ca-file) is the only judge of a certificate: one it did not sign is refused, never offered for
// trust, however often the link reconnects.
class CertificatePins final
{
public:
    enum class Verdict {
        Trusted,  // pinned and the same, or vouched for by an authority
        Changed,  // pinned, and now another one: the link may be intercepted
        Rejected, // a fault no person may wave through (wrong name, expired ...)
        Ask,      // only no known authority vouches for it, and the user named none: the user may trust it
    };

    // `authorityFile`: the authority the user named; empty for the system's.
    explicit CertificatePins(Environment &environment, QString authorityFile = {})
        : m_environment(environment), m_authorityFile(std::move(authorityFile))
    {
    }

    QString pinned(const QString &host, quint16 port) const;
    void pin(const QString &host, quint16 port, const QString &fingerprint);
    // False when nothing was pinned for that server.
    bool forget(const QString &host, quint16 port);
    Verdict judge(const QString &host, quint16 port, const CertificateCheck &check) const;

private:
    Environment &m_environment;
    QString m_authorityFile;
};

} // namespace korvel
