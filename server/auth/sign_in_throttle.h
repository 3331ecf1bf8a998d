#pragma once
#include <QString>

namespace cot::server {
class Database;

// Failed sign-ins per operator (FALHAENTRADA), shared by every server over the database.
// The first failures cost nothing; from the fifth on, the operator is held back for a
// while that doubles with each further failure (30 s, 1 min, 2 min ... up to 15 min).
// A successful sign-in clears the count.
namespace signin_throttle {

inline constexpr int kFreeFailures = 4;
inline constexpr int kFirstPauseSeconds = 30;
inline constexpr int kLongestPauseSeconds = 15 * 60;

// Seconds the operator must still wait after `failures` failures, the last one
// `sinceLast` seconds ago.
int remainingPause(int failures, qint64 sinceLast);

// Throws a MethodError while the operator is held back (no password is checked then).
void requireAllowed(Database& db, const QString& operatorCode);
void recordFailure(Database& db, const QString& operatorCode);
void clearFailures(Database& db, const QString& operatorCode);

}  // namespace signin_throttle
}  // namespace cot::server
