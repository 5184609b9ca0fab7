#include "TlsContext.h"

#include <QFile>

#include <openssl/err.h>
#include <openssl/ssl.h>

namespace korvel::server
{

QString lastTlsError()
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QStringLiteral("unknown TLS error");
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    const char *reason = ERR_reason_error_string(code);
    return QString::fromLatin1(reason ? reason : text);
}

std::unique_ptr<TlsContext> TlsContext::load(const TlsSettings &settings, QString *error)
{
    const auto failed = [error](const QString &text) {
        *error = text;
        ERR_clear_error();
        return nullptr;
    };
    if (settings.cert.isEmpty() || settings.key.isEmpty())
        return failed(QStringLiteral("TLS needs both a certificate and its key"));
    for (const QString &path : {settings.cert, settings.key}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    }
    SSL_CTX *ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx)
        return failed(lastTlsError());
    std::unique_ptr<TlsContext> context(new TlsContext(ctx));
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_max_proto_version(ctx, TLS1_3_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION |
                                 SSL_OP_CIPHER_SERVER_PREFERENCE | SSL_OP_IGNORE_UNEXPECTED_EOF);
    // An idle connection gives its record buffers (about 50 KB) back: thousands of idle clients would
    // otherwise hold them for nothing. A request then costs one allocation, which is cheap beside
    // its decryption.
    SSL_CTX_set_mode(ctx, SSL_MODE_RELEASE_BUFFERS);
    // Replies go out in parts as the socket takes them, from a buffer that may move between attempts.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Several records are taken from the socket in one read.
    SSL_CTX_set_read_ahead(ctx, 1);
    if (SSL_CTX_set_cipher_list(ctx, "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:"
                                     "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                                     "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305") != 1 ||
        SSL_CTX_set_ciphersuites(ctx, "TLS_AES_128_GCM_SHA256:TLS_AES_256_GCM_SHA384:"
                                      "TLS_CHACHA20_POLY1305_SHA256") != 1 ||
        SSL_CTX_set1_groups_list(ctx, "X25519:P-256:P-384") != 1)
        return failed(lastTlsError());
    static const unsigned char sessionContext[] = "korvel-server";
    SSL_CTX_set_session_id_context(ctx, sessionContext, sizeof sessionContext - 1);
    if (SSL_CTX_use_certificate_chain_file(ctx, QFile::encodeName(settings.cert).constData()) != 1)
        return failed(QStringLiteral("%1: not a usable certificate (%2)").arg(settings.cert, lastTlsError()));
    if (SSL_CTX_use_PrivateKey_file(ctx, QFile::encodeName(settings.key).constData(), SSL_FILETYPE_PEM) != 1)
        return failed(QStringLiteral("%1: not a usable private key (%2)").arg(settings.key, lastTlsError()));
    if (SSL_CTX_check_private_key(ctx) != 1)
        return failed(QStringLiteral("%1 is not the key of %2").arg(settings.key, settings.cert));
    return context;
}

TlsContext::~TlsContext()
{
    SSL_CTX_free(m_ctx);
}

} // namespace korvel::server
