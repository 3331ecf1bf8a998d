#include "server/auth/session_store.h"

#include <QCryptographicHash>

#include "base/clock.h"
#include "server/auth/random_token.h"
#include "server/storage/database.h"

namespace cot::server::sessions {

namespace {

QString tokenHash(const QByteArray& token) { return randomTokenHash(QString::fromLatin1(token)); }

// What a session keeps of its operator's stored password: a digest, so SESSAO holds no copy
// of the hash, yet any change of the password is seen.
QString passwordSeal(const QString& storedHash) {
    return QString::fromLatin1(QCryptographicHash::hash(storedHash.toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool wellFormed(const QByteArray& token) { return wellFormedRandomToken(QString::fromLatin1(token)); }

}  // namespace

OpenedSession open(Database& db, const QString& operatorCode, const SessionLimits& limits,
                   const std::optional<QString>& passwordHash) {
    const QByteArray token = randomToken().toLatin1();

    const QDateTime now = Clock::current().now();
    const QDateTime limit = now.addSecs(qint64(limits.lifetimeMinutes) * 60);
    const QDateTime expires = std::min(limit, now.addSecs(qint64(limits.idleMinutes) * 60));
    Transaction tx(db);
    const QString hash = passwordHash ? *passwordHash
                                      : db.scalar(QStringLiteral("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = :OP"),
                                                  {{"OP", operatorCode}})
                                            .toString();
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE DTEXPIRA < :NOW"), {{"NOW", now}});
    db.exec(QStringLiteral("INSERT INTO SESSAO (CDHASHSESSAO, CDOPERADOR, DTINICIO, DTEXPIRA, DTLIMITE, CDSELOSENHA) "
                           "VALUES (:H, :OP, :NOW, :EXP, :LIM, :SELO)"),
            {{"H", tokenHash(token)}, {"OP", operatorCode}, {"NOW", now}, {"EXP", expires}, {"LIM", limit},
             {"SELO", passwordSeal(hash)}});
    tx.commit();
    return {token, expires};
}

std::optional<QString> find(Database& db, const QByteArray& token, const SessionLimits& limits) {
    if (!wellFormed(token)) return std::nullopt;
    const QString hash = tokenHash(token);
    const Packet p = db.query(QStringLiteral("SELECT S.CDOPERADOR, S.DTEXPIRA, S.DTLIMITE, S.CDSELOSENHA, "
                                             "O.IDOPERATIVO, O.DSHASHSENHA FROM SESSAO S, OPERADOR O "
                                             "WHERE S.CDHASHSESSAO = :H AND O.CDOPERADOR = S.CDOPERADOR"),
                              {{"H", hash}},
                              {{QStringLiteral("CDOPERADOR"), FieldType::String, 12},
                               {QStringLiteral("DTEXPIRA"), FieldType::DateTime, 0},
                               {QStringLiteral("DTLIMITE"), FieldType::DateTime, 0},
                               {QStringLiteral("CDSELOSENHA"), FieldType::String, 64},
                               {QStringLiteral("IDOPERATIVO"), FieldType::String, 1},
                               {QStringLiteral("DSHASHSENHA"), FieldType::String, 200}});
    if (p.isEmpty()) return std::nullopt;
    const QDateTime now = Clock::current().now();
    const QDateTime expires = p.value(0, QStringLiteral("DTEXPIRA")).toDateTime();
    const QDateTime limit = p.value(0, QStringLiteral("DTLIMITE")).toDateTime();
    if (!expires.isValid() || expires <= now) return std::nullopt;
    // Sessions opened by a server of an earlier version carry no seal: only the
    // operator's status is checked for them (they end within a day anyway).
    const QString seal = p.value(0, QStringLiteral("CDSELOSENHA")).toString().trimmed();
    const bool active = p.value(0, QStringLiteral("IDOPERATIVO")).toString().trimmed() == QLatin1String("A");
    if (!active || (!seal.isEmpty() && seal != passwordSeal(p.value(0, QStringLiteral("DSHASHSENHA")).toString()))) {
        // Over for good: reactivating the operator or restoring the password does not revive it.
        db.exec(QStringLiteral("DELETE FROM SESSAO WHERE CDHASHSESSAO = :H"), {{"H", hash}});
        return std::nullopt;
    }
    const qint64 idleSeconds = qint64(limits.idleMinutes) * 60;
    const QDateTime moved = std::min(limit, now.addSecs(idleSeconds));
    if (moved > expires.addSecs(std::min<qint64>(idleSeconds / 10, 60)))
        db.exec(QStringLiteral("UPDATE SESSAO SET DTEXPIRA = :EXP WHERE CDHASHSESSAO = :H AND DTEXPIRA < :EXP"),
                {{"EXP", moved}, {"H", hash}});
    return p.value(0, QStringLiteral("CDOPERADOR")).toString().trimmed();
}

void close(Database& db, const QByteArray& token) {
    if (!wellFormed(token)) return;
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE CDHASHSESSAO = :H"), {{"H", tokenHash(token)}});
}

void keepOnly(Database& db, const QString& operatorCode, const QByteArray& token, const QString& passwordHash) {
    // Empty, not null, for a token that is no session's: every session of his then ends.
    const QString kept = wellFormed(token) ? tokenHash(token) : QStringLiteral("");
    db.exec(QStringLiteral("DELETE FROM SESSAO WHERE CDOPERADOR = :OP AND CDHASHSESSAO <> :H"),
            {{"OP", operatorCode}, {"H", kept}});
    db.exec(QStringLiteral("UPDATE SESSAO SET CDSELOSENHA = :SELO WHERE CDHASHSESSAO = :H AND CDOPERADOR = :OP"),
            {{"SELO", passwordSeal(passwordHash)}, {"H", kept}, {"OP", operatorCode}});
}

QByteArray bearerToken(const QByteArray& authorization) {
    const QByteArray value = authorization.trimmed();
    static const QByteArray scheme("bearer ");
    if (value.size() <= scheme.size() || value.left(scheme.size()).toLower() != scheme) return {};
    return value.mid(scheme.size()).trimmed();
}

}  // namespace cot::server::sessions
