#pragma once
// The SQL behind the sales pipeline (GetPainelPropostas): every version of a branch made
// within a period, grouped by status, salesperson and month in one query, each version
// valued by the value it keeps (version_value_sql.h).
#include <QDate>
#include <QList>
#include <QString>

namespace cot::server {

class Database;
enum class Dialect;

struct PipelineQuery {
    QString branch;
    QDate from, to;  // DTPROPOSFAS by calendar day, both inclusive
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
    double cents = 0;     // the versions' values
    double decisionDays = 0;  // calendar days from the proposal to its decision, summed
    qint64 decided = 0;       // versions with a decision date (accepted, declined, lost)
};

QList<PipelineGroup> pipelineGroups(Database& db, const PipelineQuery& query);

}  // namespace cot::server
