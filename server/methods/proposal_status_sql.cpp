#include "server/methods/proposal_status_sql.h"

namespace cot::server {

namespace {

constexpr int kExpiringDays = 10;

}  // namespace

// Each look-up is first narrowed by the proposal's number against the few numbers that
// have any such row (a set the engine builds once per query), so that the open versions,
// nearly all of a branch, cost a probe into a small set rather than a search of a table.
QString lostCondition() {
    return QStringLiteral("(P.NRPROPOSFAS IN (SELECT PN.NRPROPOSFAS FROM PERDAPROP PN)"
                          " AND EXISTS (SELECT 1 FROM PERDAPROP PP WHERE PP.NRPROPOSFAS = P.NRPROPOSFAS"
                          " AND PP.NRVERPROPFAS = P.NRVERPROPFAS))");
}

QString supersededCondition() {
    // Asked only of a version not approved itself, so any approved version of the number is
    // another one; the deal's row (deal_acceptance.h) names the version the client accepted
    // on his page as well, one per number, so two versions never supersede each other.
    return QStringLiteral("(P.NRPROPOSFAS IN (SELECT PA.NRPROPOSFAS FROM PROPOSTAFAS PA WHERE PA.DTACEPROPFAS IS NOT NULL)"
                          " OR EXISTS (SELECT 1 FROM ACEITEPROP AP WHERE AP.NRPROPOSFAS = P.NRPROPOSFAS"
                          " AND AP.NRVERPROPFAS <> P.NRVERPROPFAS))");
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

QString versionSellerSql() {
    return QStringLiteral("COALESCE(NULLIF(TRIM(P.CDOPERSOLI), ''), NULLIF(TRIM(P.CDOPERINCL), ''), '')");
}

void addStatusDayParams(QVariantMap& params, const QDate& today) {
    params.insert(QStringLiteral("SITHOJE"), today);
    params.insert(QStringLiteral("SITHOJE11"), today.addDays(kExpiringDays + 1));
}

}  // namespace cot::server
