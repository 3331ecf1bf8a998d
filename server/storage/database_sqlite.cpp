#include <QSqlDriver>
#include <QSqlError>
#include <QSqlResult>
#include <sqlite3.h>

#include "storage/database_sql.h"

namespace cot::server::detail {

namespace {

// NVLSTR(a, b): a when it is neither null nor empty text, else b.
void nvlstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "NVLSTR requires 2 arguments", -1);
        return;
    }
    sqlite3_value* a = argv[0];
    const bool empty = sqlite3_value_type(a) == SQLITE_NULL ||
                       (sqlite3_value_type(a) == SQLITE_TEXT && sqlite3_value_bytes(a) == 0);
    sqlite3_result_value(ctx, empty ? argv[1] : a);
}

void pragma(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) {
        throw DatabaseError(QStringLiteral("%1: %2").arg(sql, q.lastError().text()).toStdString());
    }
}

}  // namespace

void configureSqlite(QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    sqlite3* raw = nullptr;
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        raw = *static_cast<sqlite3* const*>(handle.constData());
    if (!raw) throw DatabaseError("handle SQLite indisponível");
    if (sqlite3_create_function_v2(raw, "NVLSTR", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                   &nvlstr, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw DatabaseError(std::string("NVLSTR: ") + sqlite3_errmsg(raw));
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
