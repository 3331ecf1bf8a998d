#pragma once
#include <QSqlDatabase>

namespace cot {

// Adds the SQL functions the host queries use and SQLite lacks:
//   NVLSTR(a, b) — a when a is neither null nor '', else b.
// Call once per open QSQLITE connection. Returns false (and does nothing) for other
// drivers or a closed connection; PostgreSQL gets NVLSTR from the schema.
bool registerSqliteFunctions(QSqlDatabase& db);

}  // namespace cot
