#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <optional>

#include "storage/database.h"

namespace cot::server::detail {

// Text form of a date-time in storage and in bound parameters on both engines:
// sortable, comparable as text on SQLite, parsed as TIMESTAMP on PostgreSQL.
inline constexpr const char* kStoredDateFormat = "yyyy-MM-dd HH:mm:ss";

// Database over one uniquely named Qt Sql connection, owned by the thread that opened it.
class SqlDatabase final : public Database {
public:
    SqlDatabase(Dialect dialect, QString url, QSqlDatabase connection);
    ~SqlDatabase() override;

    Dialect dialect() const override { return dialect_; }
    QString url() const override { return url_; }

    Packet query(const QString& sql, const QVariantMap& params,
                 const QList<FieldDef>& shape) override;
    QVariant scalar(const QString& sql, const QVariantMap& params) override;
    int exec(const QString& sql, const QVariantMap& params) override;

    void begin() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override { return depth_ > 0; }

private:
    QSqlQuery run(const QString& sql, const QVariantMap& params);
    void runPlain(const QString& sql);
    QString columnName(const QSqlRecord& rec, int i) const;
    QList<FieldDef> describe(const QSqlQuery& q, const QList<FieldDef>& shape) const;

    Dialect dialect_;
    QString url_;
    QString connectionName_;
    std::optional<QSqlDatabase> db_;
    int depth_ = 0;  // nested begin() calls map to savepoints
};

// Engine-specific set-up of a freshly opened connection (throws DatabaseError).
void configureSqlite(QSqlDatabase& db);
// Declared type of result column `i` of an executed SQLite statement ("" for expressions).
QString sqliteDeclaredType(const QSqlQuery& q, int column);
// Whether result column `i` of an executed PostgreSQL statement comes straight from a table.
bool postgresColumnOfTable(const QSqlQuery& q, int column);

}  // namespace cot::server::detail
