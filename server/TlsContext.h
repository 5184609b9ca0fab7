#pragma once

#include <QString>

#include <memory>

using SSL_CTX = struct ssl_ctx_st;

namespace korvel::server
{

// What the server's port speaks: TLS when a certificate and its key are given; plain TCP on the same
// port only when allowed.
struct TlsSettings {
    QString cert;
    QString key;
    bool allowPlain = false;
    bool enabled() const { return !cert.isEmpty() || !key.isEmpty(); }
};

// The server's TLS settings, made once and shared by every connection: TLS 1.2 and 1.3 only, forward
// secret AEAD suites only, no compression, no renegotiation, session tickets for quick reconnection.
class TlsContext
{
public:
    // Nothing, with the reason in error, when the certificate or the key cannot be used.
    static std::unique_ptr<TlsContext> load(const TlsSettings &settings, QString *error);
    ~TlsContext();
    SSL_CTX *native() const { return m_ctx; }

private:
    explicit TlsContext(SSL_CTX *ctx) : m_ctx(ctx) {}
    SSL_CTX *m_ctx;
};

// The reason of the last OpenSSL failure on this thread, and the queue emptied.
QString lastTlsError();

} // namespace korvel::server
