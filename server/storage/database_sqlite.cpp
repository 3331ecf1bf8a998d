#include <QSqlDriver>
#include <QSqlError>
#include <QSqlResult>
#include <sqlite3.h>

#include "services/sqlite_functions.h"
#include "storage/database_sql.h"

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

QString sqliteDeclaredType(const QSqlQuery& q, int column) {
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) return {};
    sqlite3_stmt* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return {};
    const char* decl = sqlite3_column_decltype(stmt, column);
    return decl ? QString::fromUtf8(decl) : QString();
}

}  // namespace cot::server::detail
