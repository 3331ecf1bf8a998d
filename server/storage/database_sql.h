#pragma once
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "server/storage/database.h"

namespace cot::sql {
struct PositionalSql;
}

namespace cot::server::detail {

// Values for the "?" placeholders of a statement, in order, ready to bind.
QVariantList boundValues(const sql::PositionalSql& positional, const QVariantMap& params);

// The line this process's writers of one SQLite file wait in before asking the engine for
// its write lock. The engine's busy handler sleeps between looks (up to 100 ms each), so a
// writer waiting there sleeps far longer than the lock is held; here the next writer in
// line starts as soon as the last one ends. Other processes still wait in the engine.
// A thread may take turns again (a second connection of its own, a nested transaction).
class SqliteWriterLine {
public:
    // `file` as the connection names it; in-memory and URI databases have no line.
    explicit SqliteWriterLine(const QString& file);
    // Waits for a turn, at most as long as the engine would wait for the lock; past that
    // (or with no line) nullptr, and the engine's own wait decides.
    std::unique_ptr<Database::WriterTurn> take() const;
    // Writers of this process that had to wait for a turn, since it started (for tests).
    static quint64 waits();

    class Line;  // the turns themselves, one per file (database_sqlite.cpp)

private:
    std::shared_ptr<Line> line_;  // shared by every connection of the file
};

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
    std::unique_ptr<WriterTurn> takeWriterTurn() override;

private:
    struct Statement;
    // Runs `use` on the executed statement. Statements with parameters (and SQLite's plain
    // ones) are prepared once per connection and kept: a save runs the same few
    // statements over and over, and preparing them is a good part of its cost.
    void execute(const QString& sql, const QVariantMap& params, const std::function<void(QSqlQuery&)>& use);
    Statement* prepared(const QString& sql);
    void forEachSqliteRow(const QString& sql, const QVariantMap& params,
                          const std::function<void(const SqlRow&)>& onRow);
    // Streams rows through libpq on the driver's connection; `onRow` must not use this
    // connection while the rows come.
    void forEachPostgresRow(const QString& sql, const QVariantMap& params,
                            const std::function<void(const SqlRow&)>& onRow);
    QSqlQuery run(const QString& sql, const QVariantMap& params);
    void runPlain(const QString& sql);

    Dialect dialect_;
    QString url_;
    QString connectionName_;
    std::optional<QSqlDatabase> db_;
    int depth_ = 0;  // nested begin() calls map to savepoints
    std::optional<SqliteWriterLine> writers_;  // SQLite's; a Transaction holds a turn of it
    std::unordered_map<QString, std::unique_ptr<Statement>> statements_;
};

// Engine-specific set-up of a freshly opened SQLite connection (throws DatabaseError).
void configureSqlite(QSqlDatabase& db);

// Qt's register of named connections, entered by one thread at a time. Database threads
// open and close their connections together (at start and at stop); met inside the
// register, Qt's own lock takes a contended path whose lock the thread sanitizer does not
// see, and reports its unlock as a fault. Serialised here, that path is never taken.
QSqlDatabase addConnection(const QString& driver, const QString& name);
void removeConnection(const QString& name);

}  // namespace cot::server::detail
