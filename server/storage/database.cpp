#include "server/storage/database.h"

#include <QAtomicInteger>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include "server/storage/database_sql.h"

namespace cot::server {

using detail::SqlDatabase;

namespace {

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("cot_db_%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

// Removes a half-opened connection and reports why it failed.
[[noreturn]] void failOpen(const QString& name, const QString& what) {
    detail::removeConnection(name);
    throw DatabaseError(what.toStdString());
}

std::unique_ptr<Database> openSqlite(const QString& url) {
    QString path = url.mid(int(sizeof("sqlite:")) - 1);
    if (path.startsWith(QLatin1String("//"))) path = path.mid(2);
    if (path.isEmpty()) throw DatabaseError("sqlite: caminho do banco não informado");
    const QString name = nextConnectionName();
    {
        QSqlDatabase db = detail::addConnection(QStringLiteral("QSQLITE"), name);
        if (!db.isValid()) failOpen(name, QStringLiteral("driver QSQLITE indisponível"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        if (!db.open()) {
            const QString err = db.lastError().text();
            db = QSqlDatabase();
            failOpen(name, QStringLiteral("abertura de %1: %2").arg(path, err));
        }
        try {
            detail::configureSqlite(db);
        } catch (const DatabaseError&) {
            db.close();
            db = QSqlDatabase();
            detail::removeConnection(name);
            throw;
        }
        return std::make_unique<SqlDatabase>(Dialect::Sqlite, url, db);
    }
}

std::unique_ptr<Database> openPostgres(const QString& url) {
    const QUrl u(url);
    if (!u.isValid() || u.host().isEmpty()) throw DatabaseError("URL PostgreSQL inválida");
    const QString name = nextConnectionName();
    QSqlDatabase db = detail::addConnection(QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
        db = QSqlDatabase();
        failOpen(name, QStringLiteral("driver QPSQL indisponível"));
    }
    db.setHostName(u.host());
    db.setPort(u.port(5432));
    db.setUserName(u.userName());
    db.setPassword(u.password());
    QString dbName = u.path();
    if (dbName.startsWith(u'/')) dbName = dbName.mid(1);
    db.setDatabaseName(dbName.isEmpty() ? u.userName() : dbName);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!db.open()) {
        const QString err = db.lastError().text();
        db = QSqlDatabase();
        failOpen(name, QStringLiteral("conexão a %1:%2: %3").arg(u.host()).arg(u.port(5432)).arg(err));
    }
    {
        // Keep "already exists, skipping" notices of idempotent DDL out of the server log.
        QSqlQuery quiet(db);
        quiet.exec(QStringLiteral("SET client_min_messages TO WARNING"));
        // The lists' status look-ups make the planner's estimate large enough to compile
        // the query to machine code, which costs seconds before the first row of a query
        // that runs in about one: the server's queries are short and many, never worth it.
        quiet.exec(QStringLiteral("SET jit = off"));
    }
    return std::make_unique<SqlDatabase>(Dialect::Postgres, url, db);
}

}  // namespace

std::unique_ptr<Database> Database::open(const QString& url) {
    if (url.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) return openSqlite(url);
    if (url.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
        url.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
        return openPostgres(url);
    throw DatabaseError(("URL de banco não reconhecida: " + url).toStdString());
}

Database::~Database() = default;

}  // namespace cot::server
