#pragma once
// What the service and text methods share: the proposal row read under a lock, the
// package value that follows the services, and the rule a package schedule must meet.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <vector>

#include "data/packet.h"

namespace cot::server {
class Database;
}

namespace cot::server::svctext {

// The proposal's columns (a comma-separated list of plain names), read with the row
// locked until the transaction ends, so writers of one proposal take turns (SQLite's
// write lock does this from the start). No row: the proposal does not exist.
Packet lockedProposal(Database& db, const QString& number, const QString& version, const QString& columns);
// As above, failing with "Proposta não cadastrada." when there is no row.
Packet requireProposal(Database& db, const QString& number, const QString& version, const QString& columns);

// Hours × invoiced rate over the services of the version (no rounding).
long double servicesTotal(Database& db, const QString& number, const QString& version);

// The proposal's package value brought to its services when it is charged by package;
// returns the value stored afterwards (a proposal charged by the hour keeps its own).
double refreshPackage(Database& db, const QString& number, const QString& version);

// The proposal brought to its services with its schedule, in the caller's transaction.
// Charged by package: the package follows the services (refreshPackage) and the schedule
// follows the package (followPackage). Charged by the hour the value stays as it is; when
// the caller has just inserted a service (serviceInserted) and no installment is stored,
// the first one is made, of that value, as for a package. Returns the package value stored
// afterwards.
double settlePackage(Database& db, const QString& number, const QString& version, bool serviceInserted);

// The schedule of a package just established or changed: no service left, no installment
// either; none yet, one installment of the whole package cut to the cent (of 0 for free
// services), due on firstDue(); a schedule that no longer adds up re-spread keeping each
// installment's share (to zeros for a package of 0).
void followPackage(Database& db, const QString& number, const QString& version, long double package,
                   const QDateTime& created);

// The first due date of a schedule made for the user: today, or the proposal's own date
// when that is later (no installment falls before the proposal).
QDate firstDue(const QDate& today, const QDateTime& created);

// Interest rate (percent) of schedules of more than three installments.
long double interestRate(Database& db);

}  // namespace cot::server::svctext
