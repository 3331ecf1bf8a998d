#pragma once
// What the service and text methods share: the proposal row read under a lock, the
// package value that follows the services, and the rule a package schedule must meet.
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

// Interest rate (percent) of schedules of more than three installments.
long double interestRate(Database& db);

// 1234.5 → "1234,50", as the desktop's messages show a total.
QString moneyText(long double value);

}  // namespace cot::server::svctext
