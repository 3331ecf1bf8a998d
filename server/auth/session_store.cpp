#include "server/auth/session_store.h"

#include <sodium.h>

#include <QCryptographicHash>

#include "base/clock.h"
#include "server/storage/database.h"

namespace cot::server::sessions {

namespace {

constexpr int kTokenBytes = 32;
constexpr qsizetype kTokenLength = 43;  // unpadded base64url of 32 bytes

QString tokenHash(const QByteArray& token) {
    return QString::fromLatin1(QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex());
}

bool wellFormed(const QByteArray& token) {
    if (token.size() != kTokenLength) return false;
    for (char c : token)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

}  // namespace

OpenedSession open(Database& db, const QString& operatorCode, const SessionLimits& limits) {
    if (sodium_init() < 0) throw std::runtime_error("libsodium não inicializou");
    unsigned char random[kTokenBytes];
    randombytes_buf(random, sizeof random);
    const QByteArray token = QByteArray(reinterpret_cast<const char*>(random), kTokenBytes)
                                 .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    sodium_memzero(random, sizeof random);

    const QDateTime now = Clock::current().now();
    const QDateTime limit = now.addSecs(qint64(limits.lifetimeMinutes) * 60);
    const QDateTime expires = std::min(limit, now.addSecs(qint64(limits.idleMinutes) * 60));
    Transaction tx(db);
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE DTEXPIRA < :NOW"), {{"NOW", now}});
    db.exec(QStringLiteral("INSERT INTO SESSAO (CDHASHSESSAO, CDOPERADOR, DTINICIO, DTEXPIRA, DTLIMITE) "
                           "VALUES (:H, :OP, :NOW, :EXP, :LIM)"),
            {{"H", tokenHash(token)}, {"OP", operatorCode}, {"NOW", now}, {"EXP", expires}, {"LIM", limit}});
    tx.commit();
    return {token, expires};
}

std::optional<QString> find(Database& db, const QByteArray& token, const SessionLimits& limits) {
    if (!wellFormed(token)) return std::nullopt;
    const QString hash = tokenHash(token);
    const Packet p = db.query(QStringLiteral("SELECT CDOPERADOR, DTEXPIRA, DTLIMITE FROM SESSAO WHERE CDHASHSESSAO = :H"),
                              {{"H", hash}},
                              {{QStringLiteral("CDOPERADOR"), FieldType::String, 12},
                               {QStringLiteral("DTEXPIRA"), FieldType::DateTime, 0},
                               {QStringLiteral("DTLIMITE"), FieldType::DateTime, 0}});
    if (p.isEmpty()) return std::nullopt;
    const QDateTime now = Clock::current().now();
    const QDateTime expires = p.value(0, QStringLiteral("DTEXPIRA")).toDateTime();
    const QDateTime limit = p.value(0, QStringLiteral("DTLIMITE")).toDateTime();
    if (!expires.isValid() || expires <= now) return std::nullopt;
    const QDateTime moved = std::min(limit, now.addSecs(qint64(limits.idleMinutes) * 60));
    if (moved > expires.addSecs(60))
        db.exec(QStringLiteral("UPDATE SESSAO SET DTEXPIRA = :EXP WHERE CDHASHSESSAO = :H"), {{"EXP", moved}, {"H", hash}});
    return p.value(0, QStringLiteral("CDOPERADOR")).toString().trimmed();
}

void close(Database& db, const QByteArray& token) {
    if (!wellFormed(token)) return;
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE CDHASHSESSAO = :H"), {{"H", tokenHash(token)}});
}

QByteArray bearerToken(const QByteArray& authorization) {
    const QByteArray value = authorization.trimmed();
    static const QByteArray scheme("bearer ");
    if (value.size() <= scheme.size() || value.left(scheme.size()).toLower() != scheme) return {};
    return value.mid(scheme.size()).trimmed();
}

}  // namespace cot::server::sessions
