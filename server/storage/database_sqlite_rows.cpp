// Reading rows of a SQLite connection through the engine's own API: QtSql builds a
// QVariant (and a QString) for every value, which dominates the cost of large lists.
#include <QSqlDriver>
#include <sqlite3.h>

#include "server/storage/database_sql.h"
#include "sql/sql_text.h"

namespace cot::server::detail {

namespace {

class StatementRow final : public SqlRow {
public:
    explicit StatementRow(sqlite3_stmt* stmt) : stmt_(stmt) {}
    int columns() const override { return sqlite3_column_count(stmt_); }
    QString columnName(int c) const override { return QString::fromUtf8(sqlite3_column_name(stmt_, c)).toUpper(); }
    Kind kind(int c) const override {
        switch (sqlite3_column_type(stmt_, c)) {
        case SQLITE_NULL: return Kind::Null;
        case SQLITE_INTEGER: return Kind::Integer;
        case SQLITE_FLOAT: return Kind::Real;
        case SQLITE_TEXT: return Kind::Text;
        default: return Kind::Other;
        }
    }
    qint64 integer(int c) const override { return sqlite3_column_int64(stmt_, c); }
    double real(int c) const override { return sqlite3_column_double(stmt_, c); }
    QByteArrayView text(int c) const override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return QByteArrayView(p, p ? sqlite3_column_bytes(stmt_, c) : 0);
    }
    // The same values the Qt driver gives.
    QVariant value(int c) const override {
        switch (sqlite3_column_type(stmt_, c)) {
        case SQLITE_NULL: return {};
        case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(stmt_, c));
        case SQLITE_FLOAT: return sqlite3_column_double(stmt_, c);
        case SQLITE_BLOB: {
            const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, c));
            return QByteArray(p, sqlite3_column_bytes(stmt_, c));
        }
        default: {
            const QByteArrayView t = text(c);
            return QString::fromUtf8(t.data(), t.size());
        }
        }
    }

private:
    sqlite3_stmt* stmt_;
};

struct FinalizedStatement {
    sqlite3_stmt* stmt = nullptr;
    ~FinalizedStatement() { sqlite3_finalize(stmt); }
};

[[noreturn]] void fail(sqlite3* db, const QString& sql) {
    throw DatabaseError(
        QStringLiteral("%1 [SQL: %2]").arg(QString::fromUtf8(sqlite3_errmsg(db)), sql.simplified()).toStdString());
}

void bind(sqlite3* db, sqlite3_stmt* stmt, int at, const QVariant& v, const QString& sql) {
    int rc = SQLITE_OK;
    if (v.isNull()) {
        rc = sqlite3_bind_null(stmt, at);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Short:
            rc = sqlite3_bind_int64(stmt, at, v.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt, at, v.toDouble());
            break;
        default: {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, at, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) fail(db, sql);
}

}  // namespace

void SqlDatabase::forEachSqliteRow(const QString& sql, const QVariantMap& params,
                                   const std::function<void(const SqlRow&)>& onRow) {
    const QVariant handle = db_->driver()->handle();
    sqlite3* db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                      ? *static_cast<sqlite3* const*>(handle.constData())
                      : nullptr;
    if (!db) throw DatabaseError("conexão SQLite indisponível");

    const sql::PositionalSql positional = sql::toPositional(sql);
    const QByteArray text = positional.sql.toUtf8();
    FinalizedStatement s;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &s.stmt, nullptr) != SQLITE_OK) fail(db, sql);
    const QVariantList values = boundValues(positional, params);
    for (int i = 0; i < values.size(); ++i) bind(db, s.stmt, i + 1, values[i], sql);

    const StatementRow row(s.stmt);
    for (;;) {
        const int rc = sqlite3_step(s.stmt);
        if (rc == SQLITE_DONE) return;
        if (rc != SQLITE_ROW) fail(db, sql);
        onRow(row);
    }
}

}  // namespace cot::server::detail
