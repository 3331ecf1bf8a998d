#include "server/client_page/sending_quota.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cstring>

#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 24 * kHour;

int figure(const QVariant& stored, int fallback, int most) {
    if (stored.isNull()) return fallback;
    bool ok = false;
    const int n = stored.toInt(&ok);
    if (!ok || n < 0) return fallback;
    return std::min(n, most);
}

void lockOperator(Database& db, const QString& operatorCode) {
    if (db.dialect() != Dialect::Postgres) return;
    const QByteArray digest = QCryptographicHash::hash(QByteArrayLiteral("COTAENVIO:") + operatorCode.toUtf8(),
                                                       QCryptographicHash::Sha256);
    qint64 key = 0;
    std::memcpy(&key, digest.constData(), sizeof key);
    db.scalar(QStringLiteral("SELECT pg_advisory_xact_lock(CAST(:K AS BIGINT))"), {{"K", key}});
}

// When the operator may send again within a window of `seconds` holding `limit` sendings:
// invalid while he still may. The limit-th newest sending of the window leaving it frees one.
QDateTime freeAt(Database& db, const QString& operatorCode, int limit, qint64 seconds, const QDateTime& now) {
    const Packet p = db.query(QStringLiteral("SELECT DTENVIO FROM COTAENVIO WHERE CDOPERADOR = :OPER AND "
                                             "DTENVIO > :FROM ORDER BY DTENVIO DESC LIMIT %1")
                                  .arg(limit),
                              {{"OPER", operatorCode}, {"FROM", now.addSecs(-seconds)}},
                              {{QStringLiteral("DTENVIO"), FieldType::DateTime, 0}});
    if (p.rows.size() < limit) return {};
    return p.value(p.rows.size() - 1, QStringLiteral("DTENVIO")).toDateTime().addSecs(seconds);
}

// "às 10:37" today, "em 07/12/2026 às 09:15" another day; a time with seconds goes to the
// next minute, so the sending is possible at the minute said.
QString when(QDateTime at, const QDateTime& now) {
    if (at.time().second() != 0 || at.time().msec() != 0) {
        at = at.addSecs(60);
        at.setTime(QTime(at.time().hour(), at.time().minute()));
    }
    const QString time = at.toString(QStringLiteral("HH:mm"));
    if (at.date() == now.date()) return QStringLiteral("às %1").arg(time);
    return QStringLiteral("em %1 às %2").arg(at.toString(QStringLiteral("dd/MM/yyyy")), time);
}

}  // namespace

SendingQuota sendingQuota(Database& db, const QString& branch) {
    const Packet p = db.query(QStringLiteral("SELECT QTENVIOHORA, QTENVIODIA FROM FILIAL WHERE CDFILIAL = :FIL"),
                              {{"FIL", branch}},
                              {{QStringLiteral("QTENVIOHORA"), FieldType::Integer, 0},
                               {QStringLiteral("QTENVIODIA"), FieldType::Integer, 0}});
    SendingQuota quota;
    quota.branch = branch.trimmed();
    if (p.isEmpty()) return quota;
    quota.perHour = figure(p.value(0, QStringLiteral("QTENVIOHORA")), kDefaultSendingsPerHour, kMostSendingsPerHour);
    quota.perDay = figure(p.value(0, QStringLiteral("QTENVIODIA")), kDefaultSendingsPerDay, kMostSendingsPerDay);
    return quota;
}

void requireQuota(Database& db, const QString& operatorCode, const SendingQuota& quota, const QDateTime& now) {
    if (quota.perHour == 0 || quota.perDay == 0)
        throw MethodError(QStringLiteral("A filial %1 não permite enviar propostas ao cliente.").arg(quota.branch));
    lockOperator(db, operatorCode);
    if (const QDateTime at = freeAt(db, operatorCode, quota.perHour, kHour, now); at.isValid())
        throw MethodError(QStringLiteral("Você atingiu o limite de %1 envios ao cliente por hora. "
                                         "O próximo envio poderá ser feito %2.")
                              .arg(quota.perHour)
                              .arg(when(at, now)));
    if (const QDateTime at = freeAt(db, operatorCode, quota.perDay, kDay, now); at.isValid())
        throw MethodError(QStringLiteral("Você atingiu o limite de %1 envios ao cliente em 24 horas. "
                                         "O próximo envio poderá ser feito %2.")
                              .arg(quota.perDay)
                              .arg(when(at, now)));
}

void forgetOldCounts(Database& db, const QString& operatorCode, const QDateTime& now) {
    db.exec(QStringLiteral("DELETE FROM COTAENVIO WHERE CDOPERADOR = :OPER AND DTENVIO <= :CUT"),
            {{"OPER", operatorCode}, {"CUT", now.addSecs(-kDay)}});
}

}  // namespace cot::server::client_page
