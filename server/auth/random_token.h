#pragma once
// The bearer secrets the server hands out (session tokens, the links sent to clients):
// 32 bytes from libsodium's generator, base64url without padding, so 43 characters safe
// in a header and in a path. Only their SHA-256 is ever stored.
#include <QString>
#include <QStringView>

namespace cot::server {

QString randomToken();
// Exactly the shape randomToken() gives (length, alphabet, and a last character that
// carries two zero bits); anything else is refused before a lookup.
bool wellFormedRandomToken(QStringView token);
// SHA-256 of the token's text, lowercase hex: what the database keeps.
QString randomTokenHash(QStringView token);

}  // namespace cot::server
