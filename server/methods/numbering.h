#pragma once
#include <QString>
#include <functional>

namespace cot::server {

class Database;

// Next value of a named counter (table CONTADOR), unique under concurrent callers on
// both engines: the counter row is raised and read back inside one transaction, so the
// row lock (PostgreSQL) or the write lock (SQLite) serialises the callers. A missing
// counter starts after `start()` (for example the highest number already in use).
qint64 nextNumber(Database& db, const QString& counter, const std::function<qint64()>& start = {});

// Raises a counter to at least `value` (creating it when missing).
void raiseCounter(Database& db, const QString& counter, qint64 value);

// Numbers as the proposal tables keep them: decimal digits, zero-padded to `width`.
QString paddedNumber(qint64 value, int width);

}  // namespace cot::server
