#include "server/auth/password_hash.h"

#include <sodium.h>

#include <QCryptographicHash>
#include <QStringList>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

namespace cot::server {

namespace {

constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// Each hash takes 64 MiB: a burst of sign-ins on every worker thread must not take the
// machine's memory. A few at a time; the others wait their turn.
class HashSlots {
public:
    void acquire() {
        std::unique_lock lock(mutex_);
        freed_.wait(lock, [this] { return free_ > 0; });
        --free_;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            ++free_;
        }
        freed_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable freed_;
    int free_ = 4;
};

HashSlots& hashSlots() {
    static HashSlots s;
    return s;
}

struct SlotScope {
    SlotScope() { hashSlots().acquire(); }
    ~SlotScope() { hashSlots().release(); }
};

void ensureSodium() {
    static const int ready = sodium_init();
    if (ready < 0) throw std::runtime_error("libsodium não inicializou");
}

bool constantTimeEqual(const QByteArray& a, const QByteArray& b) {
    return a.size() == b.size() && sodium_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

// The hash of a password nobody knows, checked whenever no real Argon2id value is: an
// unknown operator, an older SHA-256 value or a malformed one then costs what a real check
// costs, so the answer's delay tells nothing about the operator.
const QString& decoyHash() {
    static const QString decoy = [] {
        const QString fixed = QStringLiteral(
            "$argon2id$v=19$m=65536,t=2,p=1$Zd977ijymJGjqW98VCBTgQ$rGKfJ2KBujZ0JgmttYKeOBuf1oiwOSquaRFfzNxOAkU");
        if (crypto_pwhash_str_needs_rehash(fixed.toLatin1().constData(), kOpsLimit, kMemLimit) == 0) return fixed;
        // Today's cost differs from the fixed value's: a fresh one of the same cost.
        unsigned char random[16];
        randombytes_buf(random, sizeof random);
        return hashPassword(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(random), 16).toHex()));
    }();
    return decoy;
}

PasswordCheck checkSha256(const QString& stored, const QString& password) {
    const QStringList parts = stored.split(QLatin1Char(':'));
    if (parts.size() != 3 || parts[2].size() != 64) return {};
    const QByteArray expected = parts[2].toLower().toLatin1();
    const QByteArray actual =
        QCryptographicHash::hash((parts[1] + password).toUtf8(), QCryptographicHash::Sha256).toHex();
    return {constantTimeEqual(expected, actual), true};
}

// Whether libsodium can read the value (a malformed one would fail at once, quicker than a check).
bool readableArgon2(const QString& stored) {
    const QByteArray hash = stored.toLatin1();
    return hash.size() < qsizetype(crypto_pwhash_STRBYTES) &&
           crypto_pwhash_str_needs_rehash(hash.constData(), kOpsLimit, kMemLimit) >= 0;
}

PasswordCheck checkArgon2(const QString& stored, const QString& password) {
    const QByteArray hash = stored.toLatin1();
    if (hash.size() >= qsizetype(crypto_pwhash_STRBYTES)) return {};
    const QByteArray secret = password.toUtf8();
    SlotScope slot;
    if (crypto_pwhash_str_verify(hash.constData(), secret.constData(), size_t(secret.size())) != 0) return {};
    return {true, crypto_pwhash_str_needs_rehash(hash.constData(), kOpsLimit, kMemLimit) != 0};
}

}  // namespace

PasswordCheck checkPassword(const QString& stored, const QString& password) {
    ensureSodium();
    const QString value = stored.trimmed();
    if (value.startsWith(QLatin1String("$argon2id$")) && readableArgon2(value)) return checkArgon2(value, password);
    const PasswordCheck check =
        value.startsWith(QLatin1String("sha256:"), Qt::CaseInsensitive) ? checkSha256(value, password) : PasswordCheck{};
    spendCheckTime(password);
    return check;
}

QString hashPassword(const QString& password) {
    ensureSodium();
    const QByteArray secret = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    SlotScope slot;
    if (crypto_pwhash_str(out, secret.constData(), size_t(secret.size()), kOpsLimit, kMemLimit) != 0)
        throw std::runtime_error("memória insuficiente para o cálculo da senha");
    return QString::fromLatin1(out);
}

void spendCheckTime(const QString& password) {
    ensureSodium();
    checkArgon2(decoyHash(), password);
}

}  // namespace cot::server
