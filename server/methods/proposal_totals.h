#pragma once
// The figures of a proposal version as a whole: the one rule the running total, the
// comparison of versions and the client's page all show, and what the approval charges.
//
//   licence    per line, the sum of its installments once they are set (they may carry
//              interest), else (unit − discount) × quantity
//   monthly    maintenance or rental: (monthly − discount) × quantity
//   services   charged as a package: the sum of the package's installments once they are
//              set, else the package value; by the hour: the hours at the rate with its
//              discount
//   schedules  every schedule of the version: the lines' installments and the package's
//   quoted     licence and services as quoted, before any installment's interest
// Each figure is cut to the cent, the rule the schedules are made and checked by.
#include <QString>
#include <optional>

namespace cot::server {

class Database;

struct ProposalTotals {
    long double licence = 0, monthly = 0, services = 0, schedules = 0, quoted = 0;
    long double grand() const { return licence + services; }  // what is charged once
};

// None for a version that is not stored.
std::optional<ProposalTotals> proposalTotals(Database& db, const QString& nr, const QString& ver);

}  // namespace cot::server
