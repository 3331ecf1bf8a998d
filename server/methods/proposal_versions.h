#pragma once
#include <QString>

namespace cot::server {

class Database;

// Versions of a proposal number are 01 to 99. A version deleted or skipped is free again,
// so a number is full only when all 99 are taken.
inline constexpr int kMaxProposalVersion = 99;

// The lowest version of `number` not yet stored, two digits ("01" for a number without
// versions); empty when all 99 are taken.
QString lowestFreeVersion(Database& db, const QString& number);

}  // namespace cot::server
