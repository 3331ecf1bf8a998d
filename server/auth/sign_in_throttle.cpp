#include "server/auth/sign_in_throttle.h"

#include <algorithm>

#include "base/clock.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::signin_throttle {

int remainingPause(int failures, qint64 sinceLast) {
    if (failures <= kFreeFailures) return 0;
    const int doublings = std::min(failures - kFreeFailures - 1, 10);
    const qint64 pause = std::min<qint64>(qint64(kFirstPauseSeconds) << doublings, kLongestPauseSeconds);
    return int(std::max<qint64>(0, pause - std::max<qint64>(0, sinceLast)));
}

void requireAllowed(Database& db, const QString& operatorCode) {
    const Packet p = db.query(QStringLiteral("SELECT NRFALHAS, DTULTFALHA FROM FALHAENTRADA WHERE CDOPERADOR = :OP"),
                              {{"OP", operatorCode}},
                              {{QStringLiteral("NRFALHAS"), FieldType::Integer, 0},
                               {QStringLiteral("DTULTFALHA"), FieldType::DateTime, 0}});
    if (p.isEmpty()) return;
    const QDateTime last = p.value(0, QStringLiteral("DTULTFALHA")).toDateTime();
    const int wait = remainingPause(p.value(0, QStringLiteral("NRFALHAS")).toInt(),
                                    last.isValid() ? last.secsTo(Clock::current().now()) : 0);
    if (wait > 0)
        throw MethodError(QStringLiteral("Muitas tentativas sem sucesso para o operador %1. "
                                         "Tente novamente em %2 segundos.")
                              .arg(operatorCode)
                              .arg(wait));
}

void recordFailure(Database& db, const QString& operatorCode) {
    db.exec(QStringLiteral("INSERT INTO FALHAENTRADA (CDOPERADOR, NRFALHAS, DTULTFALHA) VALUES (:OP, 1, :NOW) "
                           "ON CONFLICT (CDOPERADOR) DO UPDATE SET NRFALHAS = FALHAENTRADA.NRFALHAS + 1, "
                           "DTULTFALHA = EXCLUDED.DTULTFALHA"),
            {{"OP", operatorCode}, {"NOW", Clock::current().now()}});
}

void clearFailures(Database& db, const QString& operatorCode) {
    db.exec(QStringLiteral("DELETE FROM FALHAENTRADA WHERE CDOPERADOR = :OP"), {{"OP", operatorCode}});
}

}  // namespace cot::server::signin_throttle
