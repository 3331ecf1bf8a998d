#include "server/methods/numbering.h"

#include <QThread>

#include "server/storage/database.h"

namespace cot::server {

namespace {

constexpr int kAttempts = 5;

qint64 raiseOnce(Database& db, const QString& counter, const std::function<qint64()>& start) {
    Transaction tx(db);
    const QVariantMap name{{"N", counter}};
    if (db.exec(QStringLiteral("UPDATE CONTADOR SET VRCONTADOR = VRCONTADOR + 1 WHERE NMCONTADOR = :N"), name) == 0) {
        // Two first callers may both get here; the key makes one of them fail and retry.
        db.exec(QStringLiteral("INSERT INTO CONTADOR (NMCONTADOR, VRCONTADOR) VALUES (:N, :V)"),
                {{"N", counter}, {"V", (start ? start() : 0) + 1}});
    }
    const qint64 value =
        db.scalar(QStringLiteral("SELECT VRCONTADOR FROM CONTADOR WHERE NMCONTADOR = :N"), name).toLongLong();
    tx.commit();
    return value;
}

}  // namespace

qint64 nextNumber(Database& db, const QString& counter, const std::function<qint64()>& start) {
    for (int attempt = 1;; ++attempt) {
        try {
            return raiseOnce(db, counter, start);
        } catch (const DatabaseError&) {
            // Inside a caller's transaction a retry cannot help: the caller decides.
            if (attempt == kAttempts || db.inTransaction()) throw;
            QThread::msleep(20 * attempt);
        }
    }
}

void raiseCounter(Database& db, const QString& counter, qint64 value) {
    Transaction tx(db);
    const QVariantMap params{{"N", counter}, {"V", value}};
    if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM CONTADOR WHERE NMCONTADOR = :N"), params).toInt() == 0)
        db.exec(QStringLiteral("INSERT INTO CONTADOR (NMCONTADOR, VRCONTADOR) VALUES (:N, :V)"), params);
    else
        db.exec(QStringLiteral("UPDATE CONTADOR SET VRCONTADOR = :V WHERE NMCONTADOR = :N AND VRCONTADOR < :V"), params);
    tx.commit();
}

QString paddedNumber(qint64 value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

}  // namespace cot::server
