#include "server/auth/sign_in_throttle.h"

#include <arpa/inet.h>

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>

#include "base/clock.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::signin_throttle {

namespace {

constexpr int kNameLength = 60;     // FALHAENTRADA.CDOPERADOR: longer names share their start
constexpr int kAddressLength = 64;  // FALHAENTRADA.DSENDERECO

QString nameKey(const QString& name) { return name.trimmed().toUpper().left(kNameLength); }

int pauseAfter(int failures, const QDateTime& last, const QDateTime& now, int freeFailures) {
    return remainingPause(failures, last.isValid() ? last.secsTo(now) : 0, freeFailures);
}

// Rows a day old count for nothing anyway. On PostgreSQL, rows another sign-in holds are
// left for the next time rather than waited for.
void dropForgotten(Database& db, const QDateTime& cutoff) {
    if (db.dialect() == Dialect::Postgres)
        db.exec(QStringLiteral("DELETE FROM FALHAENTRADA WHERE (DSENDERECO, CDOPERADOR) IN "
                               "(SELECT DSENDERECO, CDOPERADOR FROM FALHAENTRADA WHERE DTULTFALHA < :CUT "
                               "FOR UPDATE SKIP LOCKED)"),
                {{"CUT", cutoff}});
    else
        db.exec(QStringLiteral("DELETE FROM FALHAENTRADA WHERE DTULTFALHA < :CUT"), {{"CUT", cutoff}});
}

// One address's attempts are counted one after the other, on every server (SQLite's
// write lock, taken by the transaction, already does it).
void lockAddress(Database& db, const QString& address) {
    if (db.dialect() != Dialect::Postgres) return;
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayLiteral("FALHAENTRADA:") + address.toUtf8(), QCryptographicHash::Sha256);
    qint64 key = 0;
    std::memcpy(&key, digest.constData(), sizeof key);
    db.scalar(QStringLiteral("SELECT pg_advisory_xact_lock(CAST(:K AS BIGINT))"), {{"K", key}});
}

}  // namespace

int remainingPause(int failures, qint64 sinceLast, int freeFailures) {
    if (failures <= freeFailures) return 0;
    const int doublings = std::min(failures - freeFailures - 1, 10);
    const qint64 pause = std::min<qint64>(qint64(kFirstPauseSeconds) << doublings, kLongestPauseSeconds);
    return int(std::max<qint64>(0, pause - std::max<qint64>(0, sinceLast)));
}

QString addressKey(const QString& peerAddress) {
    const QString text = peerAddress.trimmed();
    const QByteArray latin = text.toLatin1();
    in6_addr v6{};
    // Unknown: counted as one more address (empty, not null: the column takes no null).
    if (text.isEmpty()) return QStringLiteral("");
    if (inet_pton(AF_INET6, latin.constData(), &v6) != 1) return text.left(kAddressLength);
    char out[INET6_ADDRSTRLEN] = {};
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        in_addr v4{};
        std::memcpy(&v4, v6.s6_addr + 12, sizeof v4);
        return QString::fromLatin1(inet_ntop(AF_INET, &v4, out, sizeof out));
    }
    std::fill(v6.s6_addr + 8, v6.s6_addr + 16, 0);
    return QString::fromLatin1(inet_ntop(AF_INET6, &v6, out, sizeof out)) + QStringLiteral("/64");
}

void reserveAttempt(Database& db, const QString& name, const QString& peerAddress) {
    const QString key = nameKey(name);
    const QString address = addressKey(peerAddress);
    const QDateTime now = Clock::current().now();
    const QDateTime cutoff = now.addSecs(-kForgetAfterSeconds);
    dropForgotten(db, cutoff);

    Transaction tx(db);
    lockAddress(db, address);
    const Packet p = db.query(QStringLiteral("SELECT CDOPERADOR, NRFALHAS, DTULTFALHA FROM FALHAENTRADA "
                                             "WHERE DSENDERECO = :A AND DTULTFALHA >= :CUT"),
                              {{"A", address}, {"CUT", cutoff}},
                              {{QStringLiteral("CDOPERADOR"), FieldType::String, kNameLength},
                               {QStringLiteral("NRFALHAS"), FieldType::Integer, 0},
                               {QStringLiteral("DTULTFALHA"), FieldType::DateTime, 0}});
    int named = 0, fromAddress = 0;
    QDateTime namedLast, addressLast;
    for (int r = 0; r < p.rows.size(); ++r) {
        const int failures = p.value(r, QStringLiteral("NRFALHAS")).toInt();
        const QDateTime last = p.value(r, QStringLiteral("DTULTFALHA")).toDateTime();
        fromAddress += failures;
        if (last.isValid() && (!addressLast.isValid() || last > addressLast)) addressLast = last;
        if (p.value(r, QStringLiteral("CDOPERADOR")).toString() == key) {
            named = failures;
            namedLast = last;
        }
    }
    const int wait = std::max(pauseAfter(named, namedLast, now, kFreeFailures),
                              pauseAfter(fromAddress, addressLast, now, kFreeAddressFailures));
    // The same for every name, registered or not: it tells nothing about the operator.
    if (wait > 0)
        throw MethodError(QStringLiteral("Muitas tentativas sem sucesso. Tente novamente em %1 segundos.").arg(wait));

    db.exec(QStringLiteral("INSERT INTO FALHAENTRADA (DSENDERECO, CDOPERADOR, NRFALHAS, DTULTFALHA) "
                           "VALUES (:A, :N, :F, :NOW) ON CONFLICT (DSENDERECO, CDOPERADOR) DO UPDATE SET "
                           "NRFALHAS = EXCLUDED.NRFALHAS, DTULTFALHA = EXCLUDED.DTULTFALHA"),
            {{"A", address}, {"N", key}, {"F", named + 1}, {"NOW", now}});
    tx.commit();
}

void forgetFailures(Database& db, const QString& name, const QString& peerAddress) {
    db.exec(QStringLiteral("DELETE FROM FALHAENTRADA WHERE DSENDERECO = :A AND CDOPERADOR = :N"),
            {{"A", addressKey(peerAddress)}, {"N", nameKey(name)}});
}

}  // namespace cot::server::signin_throttle
