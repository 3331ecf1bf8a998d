#pragma once
#include <QString>

namespace cot {

// Secrets kept in the database or the settings (mail passwords, the attachment base
// folder) are stored enciphered: base64 of nonce + XSalsa20-Poly1305 box (libsodium
// secretbox). The 32-byte key lives outside the database, in the host's configuration:
//   1. the environment variable COT_HOST_KEY (64 hex digits or base64 of 32 bytes), else
//   2. the key file (default ~/.config/cot/host.key, created with mode 0600 and a
//      random key on first use; 64 hex digits).
// Every machine that reads the same database needs the same key.
namespace CipherKey {
QString keyFile();
void setKeyFile(const QString& path);  // empty → default
}  // namespace CipherKey

namespace Criptografa {
// Plain text of a stored value. Empty gives empty. A value enciphered with another key,
// truncated or altered → UserError "Não foi possível decifrar o valor armazenado.";
// never a crash. `mode` is accepted for compatibility (callers pass 2).
QString Uncripto(const QString& stored, int mode = 2);
// Stored form of a plain text (a new random nonce each time). Empty gives empty.
QString Cripto(const QString& plain, int mode = 2);
}  // namespace Criptografa

}  // namespace cot
