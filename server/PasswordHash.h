#pragma once

#include <QByteArray>
#include <QString>

namespace korvel::server
{

// Argon2id password hashes in libsodium's string form ("$argon2id$v=19$m=...,t=...,p=1$salt$hash"),
// which carries its own salt and cost, so a configuration can hold hashes made on another machine.
namespace PasswordHash
{

// A new hash at the interactive cost (64 MiB, a few tens of milliseconds): a login is checked on a
// worker thread, and a guesser is slowed by the login throttle, not by the hash alone.
QByteArray make(const QString &password);
// Whether the text is a hash that verify() can check.
bool isValid(const QByteArray &hash);
// Constant time in the password: libsodium compares the derived keys without early exit.
bool verify(const QByteArray &hash, const QString &password);

} // namespace PasswordHash

} // namespace korvel::server
