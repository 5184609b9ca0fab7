#include "PasswordHash.h"

#include <sodium.h>

#include <stdexcept>

namespace korvel::server::PasswordHash
{

namespace
{

void initialise()
{
    // Thread-safe and idempotent; picks the fastest Argon2 implementation for this processor.
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

} // namespace

QByteArray make(const QString &password)
{
    initialise();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return QByteArray(out);
}

bool isValid(const QByteArray &hash)
{
    initialise();
    if (!hash.startsWith("$argon2id$") || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    // -1 when the text is no hash libsodium can read; 0 or 1 tell only whether its cost is current.
    return crypto_pwhash_str_needs_rehash(hash.constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                          crypto_pwhash_MEMLIMIT_INTERACTIVE) >= 0;
}

bool verify(const QByteArray &hash, const QString &password)
{
    initialise();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

} // namespace korvel::server::PasswordHash
