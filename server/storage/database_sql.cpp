#include "server/storage/database_sql.h"

#include <QHash>
#include <mutex>
#include <optional>
#include <vector>
#include <QSqlError>

#include "sql/sql_packet.h"
#include "sql/sql_text.h"

namespace cot::server::detail {

namespace {

[[noreturn]] void fail(const QSqlError& error, const QString& sql) {
    throw DatabaseError(
        QStringLiteral("%1 [SQL: %2]").arg(error.text(), sql.simplified()).toStdString());
}

std::mutex& registerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

QSqlDatabase addConnection(const QString& driver, const QString& name) {
    const std::lock_guard<std::mutex> hold(registerLock());
    return QSqlDatabase::addDatabase(driver, name);
}

void removeConnection(const QString& name) {
    const std::lock_guard<std::mutex> hold(registerLock());
    QSqlDatabase::removeDatabase(name);
}

SqlDatabase::SqlDatabase(Dialect dialect, QString url, QSqlDatabase connection)
    : dialect_(dialect), url_(std::move(url)), connectionName_(connection.connectionName()),
      db_(std::move(connection)) {
    if (dialect_ == Dialect::Sqlite) writers_.emplace(db_->databaseName());
}

struct SqlDatabase::Statement {
    sql::PositionalSql positional;
    QSqlQuery query;
    bool busy = false;  // running now: a nested use of the same text gets a query of its own
};

namespace {
// Statement texts are few and fixed; texts built per call (IN lists) would grow the cache
// without end, so it starts over past this.
constexpr size_t kMaxStatements = 256;
}  // namespace

SqlDatabase::~SqlDatabase() {
    if (depth_ > 0) {
        try {
            runPlain(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
    }
    statements_.clear();  // the statements go before their connection
    db_->close();
    db_.reset();
    removeConnection(connectionName_);
}

QVariantList boundValues(const sql::PositionalSql& positional, const QVariantMap& params) {
    QHash<QString, QVariant> byName;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        QString key = it.key().toUpper();
        if (key.startsWith(u':')) key = key.mid(1);
        byName.insert(key, it.value());
    }
    QVariantList values;
    for (const QString& name : positional.names) values << sql::bindable(byName.value(name));
    return values;
}

QSqlQuery SqlDatabase::run(const QString& sql, const QVariantMap& params) {
    const sql::PositionalSql positional = sql::toPositional(sql);
    QSqlQuery q(*db_);
    q.setForwardOnly(true);
    if (positional.names.isEmpty()) {
        // Nothing to bind: run as is (PostgreSQL cannot prepare DDL).
        if (!q.exec(positional.sql)) fail(q.lastError(), sql);
        return q;
    }
    if (!q.prepare(positional.sql)) fail(q.lastError(), sql);
    for (const QVariant& value : boundValues(positional, params)) q.addBindValue(value);
    if (!q.exec()) fail(q.lastError(), sql);
    return q;
}

SqlDatabase::Statement* SqlDatabase::prepared(const QString& sql) {
    const auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second->busy ? nullptr : it->second.get();
    auto positional = sql::toPositional(sql);
    // PostgreSQL prepares only queries and data changes, not transaction control or DDL.
    if (positional.names.isEmpty() && dialect_ != Dialect::Sqlite) return nullptr;
    if (statements_.size() >= kMaxStatements) {
        for (const auto& [text, statement] : statements_)
            if (statement->busy) return nullptr;
        statements_.clear();
    }
    auto statement = std::make_unique<Statement>(Statement{std::move(positional), QSqlQuery(*db_), false});
    statement->query.setForwardOnly(true);
    if (!statement->query.prepare(statement->positional.sql)) fail(statement->query.lastError(), sql);
    return statements_.emplace(sql, std::move(statement)).first->second.get();
}

void SqlDatabase::execute(const QString& sql, const QVariantMap& params,
                          const std::function<void(QSqlQuery&)>& use) {
    Statement* s = prepared(sql);
    if (!s) {
        QSqlQuery q = run(sql, params);
        use(q);
        return;
    }
    QSqlQuery& q = s->query;
    const QVariantList values = boundValues(s->positional, params);
    for (int i = 0; i < values.size(); ++i) q.bindValue(i, values[i]);
    s->busy = true;
    struct Done {
        Statement* s;
        ~Done() {
            s->query.finish();  // resets the statement: no lock is held between calls
            s->busy = false;
        }
    } done{s};
    if (!q.exec()) fail(q.lastError(), sql);
    use(q);
}

void SqlDatabase::runPlain(const QString& sql) {
    execute(sql, {}, [](QSqlQuery&) {});
}

Packet SqlDatabase::query(const QString& sql, const QVariantMap& params,
                          const QList<FieldDef>& shape) {
    Packet p;
    execute(sql, params, [&](QSqlQuery& q) {
        p = sql::readPacket(q, shape);
        if (q.lastError().isValid()) fail(q.lastError(), sql);
    });
    return p;
}

namespace {

// A row of a Qt Sql query: its values are taken once per row, texts converted once.
class QueryRow final : public SqlRow {
public:
    explicit QueryRow(QSqlQuery& q) : q_(q), record_(q.record()), values_(record_.count()), texts_(record_.count()) {}
    void next() {
        for (int c = 0; c < int(values_.size()); ++c) values_[c] = q_.value(c);
        for (auto& t : texts_) t.reset();
    }
    int columns() const override { return int(record_.count()); }
    QString columnName(int c) const override { return record_.fieldName(c).toUpper(); }
    Kind kind(int c) const override {
        const QVariant& v = values_[c];
        if (v.isNull()) return Kind::Null;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return Kind::Integer;
        case QMetaType::Double:
            return Kind::Real;
        case QMetaType::QString:
            return Kind::Text;
        default:
            return Kind::Other;
        }
    }
    qint64 integer(int c) const override { return values_[c].toLongLong(); }
    double real(int c) const override { return values_[c].toDouble(); }
    QByteArrayView text(int c) const override {
        auto& t = texts_[c];
        if (!t) t = values_[c].toString().toUtf8();
        return *t;
    }
    QVariant value(int c) const override { return values_[c]; }

private:
    QSqlQuery& q_;
    QSqlRecord record_;
    std::vector<QVariant> values_;
    mutable std::vector<std::optional<QByteArray>> texts_;
};

}  // namespace

void SqlDatabase::forEachRow(const QString& sql, const QVariantMap& params,
                             const std::function<void(const SqlRow&)>& onRow) {
    if (dialect_ == Dialect::Sqlite) return forEachSqliteRow(sql, params, onRow);
    // A "?" of the text's own (in a literal) would be taken for a parameter marker there.
    if (dialect_ == Dialect::Postgres && !sql.contains(u'?')) return forEachPostgresRow(sql, params, onRow);
    QSqlQuery q = run(sql, params);
    QueryRow row(q);
    while (q.next()) {
        row.next();
        onRow(row);
    }
    if (q.lastError().isValid()) fail(q.lastError(), sql);
}

QVariant SqlDatabase::scalar(const QString& sql, const QVariantMap& params) {
    QVariant v;
    execute(sql, params, [&](QSqlQuery& q) {
        if (!q.next()) {
            if (q.lastError().isValid()) fail(q.lastError(), sql);
            return;
        }
        v = q.value(0);
    });
    return v.isNull() ? QVariant() : v;
}

int SqlDatabase::exec(const QString& sql, const QVariantMap& params) {
    // A change outside a transaction takes its turn too, or it would be left polling
    // while the writers in line hand the lock to one another.
    const std::unique_ptr<WriterTurn> turn = depth_ == 0 ? takeWriterTurn() : nullptr;
    int affected = 0;
    execute(sql, params, [&](QSqlQuery& q) { affected = q.numRowsAffected(); });
    return affected;
}

std::unique_ptr<Database::WriterTurn> SqlDatabase::takeWriterTurn() {
    return writers_ ? writers_->take() : nullptr;
}

void SqlDatabase::begin() {
    if (depth_ == 0) {
        // IMMEDIATE takes SQLite's write lock up front, so two writers queue on the busy
        // timeout instead of failing when one upgrades a read lock. Writers of this process
        // wait in their line first: Transaction takes the turn (see SqliteWriterLine).
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
    // Whatever stops the COMMIT, the connection is left outside a transaction: one left
    // open here would hold the engine's write lock with nobody to end it.
    try {
        runPlain(QStringLiteral("COMMIT"));
    } catch (...) {
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
