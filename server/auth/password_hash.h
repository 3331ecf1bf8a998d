#pragma once
#include <QString>

namespace cot::server {

// Operator passwords as OPERADOR.DSHASHSENHA keeps them:
//   "$argon2id$v=19$m=...,t=...,p=1$<salt>$<hash>"  (libsodium crypto_pwhash_str), or
//   "sha256:<salt>:<hex of SHA-256(salt + password)>"  (older rows, upgraded at sign-in).
// A malformed stored value never matches. Every check costs one Argon2id verification,
// whatever the stored form, so its delay tells nothing about the operator.
struct PasswordCheck {
    bool matches = false;
    bool needsUpgrade = false;  // matched, but the stored form is older or weaker than today's
};

PasswordCheck checkPassword(const QString& stored, const QString& password);

// A new Argon2id hash with the interactive cost (about 64 MiB and a few tenths of a second).
QString hashPassword(const QString& password);

// The same work a real check costs, for an operator that does not exist, so that the
// answer's delay does not tell which codes are registered.
void spendCheckTime(const QString& password);

}  // namespace cot::server
