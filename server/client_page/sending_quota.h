#pragma once
// How many proposals an operator may send to clients: at most so many sendings in any hour
// and in any 24 hours, counted from the sendings recorded (COTAENVIO), so the quota holds
// across restarts, on every server of one database, and after a version is deleted. The
// proposal's branch sets the quota (FILIAL.QTENVIOHORA, QTENVIODIA; empty: the default).
#include <QDateTime>
#include <QString>

namespace cot::server {

class Database;

namespace client_page {

inline constexpr int kDefaultSendingsPerHour = 20;
inline constexpr int kDefaultSendingsPerDay = 100;
// A branch's figure above these is taken as these.
inline constexpr int kMostSendingsPerHour = 1000;
inline constexpr int kMostSendingsPerDay = 10000;

struct SendingQuota {
    QString branch;
    int perHour = kDefaultSendingsPerHour;
    int perDay = kDefaultSendingsPerDay;
};

// The quota of the branch: its own figures where set (0: its proposals are not sent),
// the default otherwise.
SendingQuota sendingQuota(Database& db, const QString& branch);

// Refuses (MethodError, Portuguese, saying the limit and when the next sending is
// possible) when the operator's sendings of the last hour or of the last 24 hours up to
// `now` already reach the quota. On PostgreSQL it first takes the operator's lock to the
// end of the caller's transaction, so two sendings of his are counted one after the other
// (SQLite's writers already are).
void requireQuota(Database& db, const QString& operatorCode, const SendingQuota& quota, const QDateTime& now);

// Drops the operator's counts older than any window (called when a sending is recorded).
void forgetOldCounts(Database& db, const QString& operatorCode, const QDateTime& now);

}  // namespace client_page
}  // namespace cot::server
