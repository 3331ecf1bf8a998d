#pragma once
// A proposal version's value, kept on the version itself (PROPOSTAFAS.VRTOTCENTPROP, in
// whole cents) so that the list and the sales pipeline read one column instead of adding
// up every line, installment and service of the branch on each call.
//
// The value is the rule of proposal_totals.h, each figure cut to the cent as
// proposalTotals() cuts it, then added: licence (per line the sum of its installments once
// it has any, else (unit − discount) × quantity), services (a package: its installments
// once it has any, else the package value; by the hour: hours × rate) and monthly
// ((monthly − discount) × quantity), a missing value counted as zero.
//
// The database keeps it: triggers on the lines, their installments, the services, the
// package's installments and the version's charging fields work it out again for the
// version a row belongs to, whatever writes the row.
#include <QString>
#include <QStringList>

namespace cot::server {

enum class Dialect;

// The value in cents of the version in the row of PROPOSTAFAS (unaliased), looked up by its key.
QString versionValueCentsSql(Dialect dialect);

// The statements that create the triggers (and PostgreSQL's functions behind them).
QStringList versionValueTriggerSql(Dialect dialect);

// Works the value out for every stored version (after the column is added).
QString versionValueFillSql(Dialect dialect);

}  // namespace cot::server
