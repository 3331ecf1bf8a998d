#pragma once
// The SQL behind the sales pipeline (GetPainelPropostas): every deal of a branch whose
// version falls within a period, grouped by status, salesperson and month in one query. A
// proposal number is one deal, counted by one version: the accepted one (by the approval
// or by the client on his page, deal_acceptance.h), else its latest; valued by the figures
// that version keeps (version_value_sql.h).
#include <QDate>
#include <QList>
#include <QString>

namespace cot::server {

class Database;
enum class Dialect;

struct PipelineQuery {
    QString branch;
    QDate from, to;  // the deal's version's DTPROPOSFAS by calendar day, both inclusive
    QString oper;    // his own: versions he included or requested (empty: no such restriction)
    QString seller;  // the versions counted for him (versionSellerSql()); empty: everyone
    QDate today;
};

// One status × salesperson × month of the period, as the database adds them up.
struct PipelineGroup {
    QString status;      // ProposalStatus code, or "R" declined by the client
    QString seller;      // CDOPERSOLI, else CDOPERINCL
    QString sellerName;  // empty when not registered
    QString month;       // "yyyy-mm" of DTPROPOSFAS
    qint64 count = 0;
    double cents = 0;         // the deals' one-off values
    double monthlyCents = 0;  // the deals' monthly values
    double decisionDays = 0;  // calendar days from the proposal to its decision, summed
    qint64 decided = 0;       // deals with a decision date (accepted, declined, lost)
};

QList<PipelineGroup> pipelineGroups(Database& db, const PipelineQuery& query);

}  // namespace cot::server
