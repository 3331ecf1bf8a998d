#include "cipher.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sodium.h>

#include "base/errors.h"

namespace cot {

namespace {

QString& keyFileSlot() {
    static QString path;
    return path;
}

void ensureSodium() {
    static const int ready = sodium_init();
    if (ready < 0) throw UserError(QStringLiteral("Biblioteca de criptografia indisponível."));
}

// 64 hex digits or base64 of exactly 32 bytes; empty result when neither.
QByteArray decodeKey(const QByteArray& text) {
    const QByteArray t = text.trimmed();
    if (t.size() == 2 * crypto_secretbox_KEYBYTES) {
        const QByteArray raw = QByteArray::fromHex(t);
        if (raw.size() == crypto_secretbox_KEYBYTES && raw.toHex() == t.toLower()) return raw;
    }
    const auto decoded = QByteArray::fromBase64Encoding(t, QByteArray::AbortOnBase64DecodingErrors);
    if (decoded && decoded.decoded.size() == crypto_secretbox_KEYBYTES) return decoded.decoded;
    return {};
}

QByteArray createKeyFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray raw(crypto_secretbox_KEYBYTES, '\0');
    crypto_secretbox_keygen(reinterpret_cast<unsigned char*>(raw.data()));
    QFile f(path);
    // NewOnly: if another process created it meanwhile, use that one.
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray hex = raw.toHex() + '\n';
        const bool written = f.write(hex) == hex.size() && f.flush();
        f.close();
        if (!written) {
            QFile::remove(path);
            throw UserError(QStringLiteral("Não foi possível gravar a chave de cifra em '%1'.").arg(path));
        }
        return raw;
    }
    return {};
}

QByteArray loadKey() {
    const QByteArray env = qgetenv("COT_HOST_KEY");
    if (!env.trimmed().isEmpty()) {
        const QByteArray key = decodeKey(env);
        if (key.isEmpty()) throw UserError(QStringLiteral("Chave de cifra em COT_HOST_KEY inválida."));
        return key;
    }
    const QString path = CipherKey::keyFile();
    if (!QFileInfo::exists(path)) {
        const QByteArray created = createKeyFile(path);
        if (!created.isEmpty()) return created;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Não foi possível ler a chave de cifra em '%1'.").arg(path));
    const QByteArray key = decodeKey(f.read(4096));
    if (key.isEmpty()) throw UserError(QStringLiteral("Chave de cifra em '%1' inválida.").arg(path));
    return key;
}

const unsigned char* bytes(const QByteArray& a) { return reinterpret_cast<const unsigned char*>(a.constData()); }

}  // namespace

namespace CipherKey {
QString keyFile() {
    if (!keyFileSlot().isEmpty()) return keyFileSlot();
    return QDir::homePath() + QStringLiteral("/.config/cot/host.key");
}
void setKeyFile(const QString& path) { keyFileSlot() = path; }
}  // namespace CipherKey

namespace Criptografa {

QString Uncripto(const QString& stored, int) {
    const QByteArray text = stored.trimmed().toLatin1();
    if (text.isEmpty()) return {};
    ensureSodium();
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    const QByteArray& box = decoded.decoded;
    const auto fail = [] { return UserError(QStringLiteral("Não foi possível decifrar o valor armazenado.")); };
    if (!decoded || box.size() < int(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES)) throw fail();
    QByteArray key = loadKey();
    QByteArray plain(box.size() - int(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES), '\0');
    const int rc = crypto_secretbox_open_easy(reinterpret_cast<unsigned char*>(plain.data()),
                                              bytes(box) + crypto_secretbox_NONCEBYTES,
                                              box.size() - crypto_secretbox_NONCEBYTES, bytes(box), bytes(key));
    sodium_memzero(key.data(), key.size());
    if (rc != 0) throw fail();
    return QString::fromUtf8(plain);
}

QString Cripto(const QString& plain, int) {
    if (plain.isEmpty()) return {};
    ensureSodium();
    const QByteArray message = plain.toUtf8();
    QByteArray key = loadKey();
    QByteArray box(int(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + message.size(), '\0');
    auto* out = reinterpret_cast<unsigned char*>(box.data());
    randombytes_buf(out, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(out + crypto_secretbox_NONCEBYTES, bytes(message), message.size(), out, bytes(key));
    sodium_memzero(key.data(), key.size());
    return QString::fromLatin1(box.toBase64());
}

}  // namespace Criptografa

}  // namespace cot
