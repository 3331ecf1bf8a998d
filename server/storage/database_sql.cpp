#include "server/storage/database_sql.h"

#include <QHash>
#include <QSqlError>

#include "sql/sql_packet.h"
#include "sql/sql_text.h"

namespace cot::server::detail {

namespace {

[[noreturn]] void fail(const QSqlError& error, const QString& sql) {
    throw DatabaseError(
        QStringLiteral("%1 [SQL: %2]").arg(error.text(), sql.simplified()).toStdString());
}

}  // namespace

SqlDatabase::SqlDatabase(Dialect dialect, QString url, QSqlDatabase connection)
    : dialect_(dialect), url_(std::move(url)), connectionName_(connection.connectionName()),
      db_(std::move(connection)) {}

SqlDatabase::~SqlDatabase() {
    if (depth_ > 0) {
        try {
            runPlain(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
    }
    db_->close();
    db_.reset();
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlQuery SqlDatabase::run(const QString& sql, const QVariantMap& params) {
    const sql::PositionalSql positional = sql::toPositional(sql);
    QHash<QString, QVariant> byName;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        QString key = it.key().toUpper();
        if (key.startsWith(u':')) key = key.mid(1);
        byName.insert(key, it.value());
    }
    QSqlQuery q(*db_);
    q.setForwardOnly(true);
    if (positional.names.isEmpty()) {
        // Nothing to bind: run as is (PostgreSQL cannot prepare DDL).
        if (!q.exec(positional.sql)) fail(q.lastError(), sql);
        return q;
    }
    if (!q.prepare(positional.sql)) fail(q.lastError(), sql);
    for (const QString& name : positional.names) q.addBindValue(sql::bindable(byName.value(name)));
    if (!q.exec()) fail(q.lastError(), sql);
    return q;
}

void SqlDatabase::runPlain(const QString& sql) {
    QSqlQuery q(*db_);
    if (!q.exec(sql)) fail(q.lastError(), sql);
}

Packet SqlDatabase::query(const QString& sql, const QVariantMap& params,
                          const QList<FieldDef>& shape) {
    QSqlQuery q = run(sql, params);
    Packet p = sql::readPacket(q, shape);
    if (q.lastError().isValid()) fail(q.lastError(), sql);
    return p;
}

QVariant SqlDatabase::scalar(const QString& sql, const QVariantMap& params) {
    QSqlQuery q = run(sql, params);
    if (!q.next()) {
        if (q.lastError().isValid()) fail(q.lastError(), sql);
        return {};
    }
    const QVariant v = q.value(0);
    return v.isNull() ? QVariant() : v;
}

int SqlDatabase::exec(const QString& sql, const QVariantMap& params) {
    QSqlQuery q = run(sql, params);
    return q.numRowsAffected();
}

void SqlDatabase::begin() {
    if (depth_ == 0) {
        // IMMEDIATE takes SQLite's write lock up front, so two writers queue on the busy
        // timeout instead of failing when one upgrades a read lock.
        runPlain(dialect_ == Dialect::Sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    } else {
        runPlain(QStringLiteral("SAVEPOINT cot_sp_%1").arg(depth_));
    }
    ++depth_;
}

void SqlDatabase::commit() {
    if (depth_ == 0) throw DatabaseError("commit sem transação aberta");
    --depth_;
    if (depth_ > 0) {
        runPlain(QStringLiteral("RELEASE SAVEPOINT cot_sp_%1").arg(depth_));
        return;
    }
    try {
        runPlain(QStringLiteral("COMMIT"));
    } catch (const DatabaseError&) {
        try {
            runPlain(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

void SqlDatabase::rollback() {
    if (depth_ == 0) throw DatabaseError("rollback sem transação aberta");
    --depth_;
    if (depth_ > 0) {
        runPlain(QStringLiteral("ROLLBACK TO SAVEPOINT cot_sp_%1").arg(depth_));
        runPlain(QStringLiteral("RELEASE SAVEPOINT cot_sp_%1").arg(depth_));
        return;
    }
    runPlain(QStringLiteral("ROLLBACK"));
}

}  // namespace cot::server::detail
