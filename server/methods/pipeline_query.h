#pragma once
// The SQL behind the sales pipeline (GetPainelPropostas): every version of a branch made
// within a period, grouped by status, salesperson and month in one query, with each
// version's value worked out by the database for all rows at once.
#include <QDate>
#include <QList>
#include <QString>

namespace cot::server {

class Database;
enum class Dialect;

// A version's figures as SQL on the proposal table (alias P), in whole cents, each cut to
// the cent exactly as proposalTotals() cuts it (proposal_totals.h): licence (per line the
// sum of its installments once it has any, else (unit − discount) × quantity), services
// (a package: its installments once it has any, else the package value; by the hour: hours
// × rate) and monthly ((monthly − discount) × quantity).
struct VersionCentsSql {
    QString licence, services, monthly;
    QString joins;  // after "FROM PROPOSTAFAS P", for the three figures
    QString value() const { return QStringLiteral("(%1 + %2 + %3)").arg(licence, services, monthly); }
};
VersionCentsSql versionCentsSql(Dialect dialect);

struct PipelineQuery {
    QString branch;
    QDate from, to;  // DTPROPOSFAS by calendar day, both inclusive
    QString oper;    // empty: every salesperson; else versions he included or requested
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
