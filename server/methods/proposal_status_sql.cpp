#include "server/methods/proposal_status_sql.h"

namespace cot::server {

namespace {

constexpr int kExpiringDays = 10;

}  // namespace

QString lostCondition() {
    return QStringLiteral("EXISTS (SELECT 1 FROM PERDAPROP PP WHERE PP.NRPROPOSFAS = P.NRPROPOSFAS"
                          " AND PP.NRVERPROPFAS = P.NRVERPROPFAS)");
}

QString supersededCondition() {
    // Asked only of a version not accepted itself, so any accepted version of the number is
    // another one; left that way the lookup needs no version.
    return QStringLiteral("(EXISTS (SELECT 1 FROM PROPOSTAFAS PA WHERE PA.NRPROPOSFAS = P.NRPROPOSFAS"
                          " AND PA.DTACEPROPFAS IS NOT NULL)"
                          " OR EXISTS (SELECT 1 FROM DECISAOPROP DA WHERE DA.NRPROPOSFAS = P.NRPROPOSFAS"
                          " AND DA.NRVERPROPFAS <> P.NRVERPROPFAS AND DA.IDDECISAO = 'A'))");
}

QString closedStatusSql() {
    return QStringLiteral("CASE WHEN P.DTACEPROPFAS IS NOT NULL THEN '' WHEN %1 THEN 'P' WHEN %2 THEN 'S' ELSE '' END")
        .arg(lostCondition(), supersededCondition());
}

// The days are bound as dates, not as midnights: a stored time compares after its own day
// whatever its text looks like on SQLite ("T" or a blank before the hour).
QString proposalStatusSql(bool clientDeclined) {
    return QStringLiteral("CASE WHEN P.DTACEPROPFAS IS NOT NULL THEN 'A' WHEN %1 THEN 'P' WHEN %2 THEN 'S'%3"
                          " WHEN P.DTVALPROPFAS IS NULL OR P.DTVALPROPFAS < :SITHOJE THEN 'X'"
                          " WHEN P.DTVALPROPFAS < :SITHOJE11 THEN 'E' ELSE 'V' END")
        .arg(lostCondition(), supersededCondition(),
             clientDeclined ? QStringLiteral(" WHEN DC.IDDECISAO = 'R' THEN 'R'") : QString());
}

void addStatusDayParams(QVariantMap& params, const QDate& today) {
    params.insert(QStringLiteral("SITHOJE"), today);
    params.insert(QStringLiteral("SITHOJE11"), today.addDays(kExpiringDays + 1));
}

}  // namespace cot::server
