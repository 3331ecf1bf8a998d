#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

#include "server/storage/database.h"

namespace cot::sql {
struct PositionalSql;
}

namespace cot::server::detail {

// Values for the "?" placeholders of a statement, in order, ready to bind.
QVariantList boundValues(const sql::PositionalSql& positional, const QVariantMap& params);

// Database over one uniquely named Qt Sql connection, owned by the thread that opened it.
class SqlDatabase final : public Database {
public:
    SqlDatabase(Dialect dialect, QString url, QSqlDatabase connection);
    ~SqlDatabase() override;

    Dialect dialect() const override { return dialect_; }
    QString url() const override { return url_; }

    Packet query(const QString& sql, const QVariantMap& params,
                 const QList<FieldDef>& shape) override;
    void forEachRow(const QString& sql, const QVariantMap& params,
                    const std::function<void(const SqlRow&)>& onRow) override;
    QVariant scalar(const QString& sql, const QVariantMap& params) override;
    int exec(const QString& sql, const QVariantMap& params) override;

    void begin() override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override { return depth_ > 0; }

private:
    struct Statement;
    // Runs `use` on the executed statement. Statements with parameters (and SQLite's plain
    // ones) are prepared once per connection and kept: a save runs the same few
    // statements over and over, and preparing them is a good part of its cost.
    void execute(const QString& sql, const QVariantMap& params, const std::function<void(QSqlQuery&)>& use);
    Statement* prepared(const QString& sql);
    void forEachSqliteRow(const QString& sql, const QVariantMap& params,
                          const std::function<void(const SqlRow&)>& onRow);
    QSqlQuery run(const QString& sql, const QVariantMap& params);
    void runPlain(const QString& sql);

    Dialect dialect_;
    QString url_;
    QString connectionName_;
    std::optional<QSqlDatabase> db_;
    int depth_ = 0;  // nested begin() calls map to savepoints
    std::unordered_map<QString, std::unique_ptr<Statement>> statements_;
};

// Engine-specific set-up of a freshly opened SQLite connection (throws DatabaseError).
void configureSqlite(QSqlDatabase& db);

}  // namespace cot::server::detail
