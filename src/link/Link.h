#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace korvel
{

// The server's certificate as a secure link saw it during the handshake, for the connection to judge.
struct CertificateCheck {
    // SHA-256 of the certificate's DER form, as colon-separated hex pairs.
    QString fingerprint;
    // Why verification failed, as the TLS library words it; empty when the certificate verified.
    QString problems;
    // The only fault is that no known authority vouches for it (self-signed or issuer unknown): a
    // person may choose to trust it.
    bool unknownAuthorityOnly = false;
};

// The byte stream to the data server. The program uses a TCP socket; the scenario runner an in-memory
// link it drives itself. Notifications arrive on the user-interface thread.
class Link : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts opening a connection; false when it fails at once.
    virtual bool open(const QString &host, quint16 port) = 0;
    virtual bool isConnected() const = 0;
    // Writes the whole message in one call; dropped while not connected or while the link would block.
    virtual void write(const QByteArray &bytes) = 0;
    // Every byte buffered now.
    virtual QByteArray readAll() = 0;
    // At most maxBytes of what is buffered now; bytesAvailable() says what is left. A link that cannot
    // tell hands over everything.
    virtual QByteArray read(qint64 maxBytes)
    {
        Q_UNUSED(maxBytes);
        return readAll();
    }
    virtual qint64 bytesAvailable() const { return 0; }
    // Drops a connection attempt or a connection.
    virtual void abort() = 0;

    // The next open speaks TLS, verified against the system's authorities or, when given, only the
    // authorities in that PEM file. A secure link reports connected only once the handshake is done
    // and the judge accepted the certificate, and never falls back to plain TCP.
    virtual void setSecure(bool secure, const QString &authorityFile)
    {
        Q_UNUSED(secure);
        Q_UNUSED(authorityFile);
    }
    virtual bool isSecure() const { return false; }
    // The SHA-256 fingerprint of the certificate accepted at the last secure handshake; empty when none was.
    QString certificateFingerprint() const { return m_fingerprint; }
    // Asked during every secure handshake; false refuses the certificate and drops the link.
    void setCertificateJudge(std::function<bool(const CertificateCheck &)> judge)
    {
        m_judge = std::move(judge);
    }

Q_SIGNALS:
    void connected();
    void disconnected();
    void errorOccurred(const QString &message);
    void readyRead();
    // A secure link's handshake failed for a reason other than a refused certificate.
    void handshakeFailed(const QString &reason);

protected:
    bool judge(const CertificateCheck &check) const
    {
        const bool accepted = m_judge && m_judge(check);
        m_fingerprint = accepted ? check.fingerprint : QString();
        return accepted;
    }

private:
    std::function<bool(const CertificateCheck &)> m_judge;
    mutable QString m_fingerprint;
};

} // namespace korvel
