#include "server/auth/random_token.h"

#include <sodium.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <stdexcept>

namespace cot::server {

namespace {
constexpr int kTokenBytes = 32;
constexpr qsizetype kTokenLength = 43;  // unpadded base64url of 32 bytes
}  // namespace

QString randomToken() {
    if (sodium_init() < 0) throw std::runtime_error("libsodium não inicializou");
    unsigned char random[kTokenBytes];
    randombytes_buf(random, sizeof random);
    const QByteArray token = QByteArray(reinterpret_cast<const char*>(random), kTokenBytes)
                                 .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    sodium_memzero(random, sizeof random);
    return QString::fromLatin1(token);
}

bool wellFormedRandomToken(QStringView token) {
    if (token.size() != kTokenLength) return false;
    for (QChar qc : token) {
        const char16_t c = qc.unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
              c == u'_'))
            return false;
    }
    // The last character carries the last 4 bits of the 32 bytes and 2 zero bits: only these
    // 16 letters are ever given, so any other is not one of ours.
    static const QString lastChars = QStringLiteral("AEIMQUYcgkosw048");
    return lastChars.contains(token.back());
}

QString randomTokenHash(QStringView token) {
    return QString::fromLatin1(QCryptographicHash::hash(token.toUtf8(), QCryptographicHash::Sha256).toHex());
}

}  // namespace cot::server
