#pragma once
#include <QString>

namespace cot::server {

class Database;

// Versions of a proposal number are 01 to 99.
inline constexpr int kMaxProposalVersion = 99;

// The version offered for a new version of `number`, two digits: the one after the highest
// stored ("01" for a number without versions). Once version 99 exists the lowest version not
// stored is offered instead, so a number is full only when all 99 are taken; empty then.
QString versionToPropose(Database& db, const QString& number);

}  // namespace cot::server
