#include <QSqlDriver>
#include <QSqlError>

#include "sql/sqlite_functions.h"
#include "server/storage/database_sql.h"

namespace cot::server::detail {

namespace {

void pragma(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        throw DatabaseError(QStringLiteral("%1: %2").arg(sql, q.lastError().text()).toStdString());
    }
}

}  // namespace

void configureSqlite(QSqlDatabase& db) {
    if (!registerSqliteFunctions(db)) throw DatabaseError("NVLSTR: conexão SQLite indisponível");
    pragma(db, QStringLiteral("PRAGMA busy_timeout = 10000"));
    pragma(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    pragma(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    pragma(db, QStringLiteral("PRAGMA foreign_keys = ON"));
}

}  // namespace cot::server::detail
