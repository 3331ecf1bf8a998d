#include "server/methods/pipeline_query.h"

#include "server/methods/proposal_status_sql.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

QString monthOf(Dialect dialect, const QString& column) {
    return dialect == Dialect::Postgres ? QStringLiteral("TO_CHAR(%1, 'YYYY-MM')").arg(column)
                                        : QStringLiteral("SUBSTR(%1, 1, 7)").arg(column);
}

// Calendar days between two timestamps (the hour does not count).
QString daysBetween(Dialect dialect, const QString& from, const QString& to) {
    if (dialect == Dialect::Postgres) return QStringLiteral("(CAST(%2 AS DATE) - CAST(%1 AS DATE))").arg(from, to);
    return QStringLiteral("(JULIANDAY(SUBSTR(%2, 1, 10)) - JULIANDAY(SUBSTR(%1, 1, 10)))").arg(from, to);
}

// The version a proposal number counts by: its accepted one (the deal's row, see
// deal_acceptance.h; every approval writes one), else its latest. The few numbers with an
// accepted version are a set the engine builds once per query, so a version of any other
// number costs one probe of the key's index for a later version.
QString dealVersionCondition() {
    return QStringLiteral(
        "(CASE WHEN P.NRPROPOSFAS IN (SELECT XN.NRPROPOSFAS FROM ACEITEPROP XN)"
        " THEN EXISTS (SELECT 1 FROM ACEITEPROP XD WHERE XD.NRPROPOSFAS = P.NRPROPOSFAS"
        " AND XD.NRVERPROPFAS = P.NRVERPROPFAS)"
        " ELSE NOT EXISTS (SELECT 1 FROM PROPOSTAFAS XL WHERE XL.NRPROPOSFAS = P.NRPROPOSFAS"
        " AND XL.NRVERPROPFAS > P.NRVERPROPFAS) END)");
}

// The deals whose version falls within the period, with their status, salesperson, month,
// figures and dates; then added up by status, salesperson and month (the names joined to
// the groups, not to each deal).
QString groupsSql(Dialect dialect, const PipelineQuery& query) {
    const QString decisionDate = QStringLiteral("CASE B.SIT WHEN 'A' THEN B.DTACE WHEN 'R' THEN B.DTDEC "
                                                "WHEN 'P' THEN B.DTPERDA END");
    const QString days = QStringLiteral("CASE WHEN B.SIT IN ('A', 'R', 'P') THEN %1 END")
                             .arg(daysBetween(dialect, QStringLiteral("B.DTPROP"), decisionDate));
    return QStringLiteral(R"SQL(
SELECT G.SIT, G.VEND, O.NMOPERADOR, G.MES, G.QT, G.CENTAVOS, G.MENSAL, G.DIAS, G.DECIDIDAS
FROM (
  SELECT B.SIT, B.VEND, B.MES, COUNT(*) AS QT,
         CAST(SUM(B.CENTAVOS) AS DOUBLE PRECISION) AS CENTAVOS,
         CAST(SUM(B.MENSAL) AS DOUBLE PRECISION) AS MENSAL,
         CAST(SUM(%1) AS DOUBLE PRECISION) AS DIAS, COUNT(%2) AS DECIDIDAS
  FROM (
    SELECT %3 AS SIT,
           %6 AS VEND,
           %4 AS MES, COALESCE(P.VRTOTCENTPROP, 0) AS CENTAVOS, COALESCE(P.VRMENCENTPROP, 0) AS MENSAL,
           P.DTPROPOSFAS AS DTPROP, P.DTACEPROPFAS AS DTACE, DC.DTDECISAO AS DTDEC, PL.DTPERDA AS DTPERDA
    FROM PROPOSTAFAS P
    LEFT JOIN DECISAOPROP DC ON DC.NRPROPOSFAS = P.NRPROPOSFAS AND DC.NRVERPROPFAS = P.NRVERPROPFAS
    LEFT JOIN PERDAPROP PL ON PL.NRPROPOSFAS = P.NRPROPOSFAS AND PL.NRVERPROPFAS = P.NRVERPROPFAS
    WHERE P.CDFILIAL = :FILIAL AND P.DTPROPOSFAS >= :DE AND P.DTPROPOSFAS < :ATE AND %7%5
  ) B
  GROUP BY B.SIT, B.VEND, B.MES
) G
LEFT JOIN OPERADOR O ON O.CDOPERADOR = G.VEND)SQL")
        .arg(days, decisionDate, proposalStatusSql(true), monthOf(dialect, QStringLiteral("P.DTPROPOSFAS")),
             (query.oper.isEmpty() ? QString() : QStringLiteral(" AND (P.CDOPERINCL = :OPER OR P.CDOPERSOLI = :OPER)")) +
                 (query.seller.isEmpty() ? QString() : QStringLiteral(" AND %1 = :VEND").arg(versionSellerSql())),
             versionSellerSql(), dealVersionCondition());
}

}  // namespace

QList<PipelineGroup> pipelineGroups(Database& db, const PipelineQuery& query) {
    // Days bound as dates: a stored time compares after its own day on both engines.
    QVariantMap params{{QStringLiteral("FILIAL"), query.branch},
                       {QStringLiteral("DE"), query.from},
                       {QStringLiteral("ATE"), query.to.addDays(1)}};
    if (!query.oper.isEmpty()) params.insert(QStringLiteral("OPER"), query.oper);
    if (!query.seller.isEmpty()) params.insert(QStringLiteral("VEND"), query.seller);
    addStatusDayParams(params, query.today);

    static const QList<FieldDef> shape{
        {QStringLiteral("SIT"), FieldType::String, 1},        {QStringLiteral("VEND"), FieldType::String, 12},
        {QStringLiteral("NMOPERADOR"), FieldType::String, 40}, {QStringLiteral("MES"), FieldType::String, 7},
        {QStringLiteral("QT"), FieldType::Integer, 0},        {QStringLiteral("CENTAVOS"), FieldType::Float, 0},
        {QStringLiteral("MENSAL"), FieldType::Float, 0},      {QStringLiteral("DIAS"), FieldType::Float, 0},        {QStringLiteral("DECIDIDAS"), FieldType::Integer, 0}};
    const Packet p = db.query(groupsSql(db.dialect(), query), params, shape);
    QList<PipelineGroup> groups;
    groups.reserve(p.rows.size());
    for (int r = 0; r < p.rows.size(); ++r) {
        PipelineGroup g;
        g.status = p.value(r, QStringLiteral("SIT")).toString();
        g.seller = p.value(r, QStringLiteral("VEND")).toString();
        g.sellerName = p.value(r, QStringLiteral("NMOPERADOR")).toString();
        g.month = p.value(r, QStringLiteral("MES")).toString();
        g.count = p.value(r, QStringLiteral("QT")).toLongLong();
        g.cents = p.value(r, QStringLiteral("CENTAVOS")).toDouble();
        g.monthlyCents = p.value(r, QStringLiteral("MENSAL")).toDouble();
        g.decisionDays = p.value(r, QStringLiteral("DIAS")).toDouble();
        g.decided = p.value(r, QStringLiteral("DECIDIDAS")).toLongLong();
        groups << g;
    }
    return groups;
}

}  // namespace cot::server
