#pragma once
// A proposal version's two figures, kept on the version itself in whole cents so that the
// list and the sales pipeline read two columns instead of adding up every line,
// installment and service of the branch on each call:
//
//   PROPOSTAFAS.VRTOTCENTPROP  the one-off value, "Valor único": licence as charged plus
//                              services (ProposalTotals::grand())
//   PROPOSTAFAS.VRMENCENTPROP  the monthly value, "Mensal": maintenance or rental
//                              (ProposalTotals::monthly)
//
// This is the rule of proposal_totals.h in SQL, each figure cut to the cent as
// proposalTotals() cuts it: licence (per line the sum of its installments once it has
// any, else (unit − discount) × quantity), services (a package: its installments once it
// has any, else the package value; by the hour: hours × rate) and monthly
// ((monthly − discount) × quantity), a missing value counted as zero. The one-off value is
// the licence cut to the cent plus the services cut to the cent.
//
// The database keeps them: triggers on the lines, their installments, the services, the
// package's installments and the version's charging fields work both out again for the
// version a row belongs to, whatever writes the row.
#include <QString>
#include <QStringList>

namespace cot::server {

enum class Dialect;

// The figures in cents of the version in the row of PROPOSTAFAS (unaliased), looked up by its key.
QString versionOneOffCentsSql(Dialect dialect);
QString versionMonthlyCentsSql(Dialect dialect);

// The statements that create the triggers (and PostgreSQL's functions behind them),
// replacing the ones a database kept before.
QStringList versionValueTriggerSql(Dialect dialect);

// Works both figures out for every stored version (after the columns are added).
QString versionValueFillSql(Dialect dialect);

}  // namespace cot::server
