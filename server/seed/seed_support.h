#pragma once
#include <QDateTime>
#include <QVariantMap>

#include "server/storage/database.h"

namespace cot::server::detail {

// Inserts one row; the map's keys are the column names.
void insertRow(Database& db, const QString& table, const QVariantMap& values);

// Midnight of today plus `days` on the shared clock, so relative statuses stay true.
QDateTime seedDay(int days);

// "sha256:<salt>:<hex of SHA-256(salt + password)>".
QString passwordHash(const QString& salt, const QString& password);

// Proposal numbers and line keys as the server issues them: 20 digits, zero-padded.
QString seedNumber(qint64 n);

void seedRegisters(Database& db);
void seedProposals(Database& db);
void seedMailSettings(Database& db);

}  // namespace cot::server::detail
