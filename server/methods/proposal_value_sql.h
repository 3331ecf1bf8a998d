#pragma once
// A proposal version's figures for every version at once, in SQL: the rule of
// proposal_totals.h (licence per line, its installments once it has any, else
// (unit − discount) × quantity; monthly, (monthly − discount) × quantity; services, by
// package the package's installments once it has any, else the package value, by the hour
// the hours at the rate), with a missing value counted as zero. Grouped once per version
// and joined, never a query per row: the list and the pipeline read them so.
#include <QString>

namespace cot::server {

struct ProposalValueSql {
    QString joins;  // after "FROM PROPOSTAFAS P": the grouped figures as TL, VS and SH
    QString licence, services, monthly;  // expressions over P and the joins (null when none)
};

const ProposalValueSql& proposalValueSql();

}  // namespace cot::server
