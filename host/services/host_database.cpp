#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtDebug>

#include "base/errors.h"
#include "local_query.h"
#include "sql/sqlite_functions.h"

namespace cot {

namespace {

const char* const kConnection = "cot_host_database";

QSqlDatabase openSqlite(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        throw UserError(QStringLiteral("Banco de dados do sistema '%1' não encontrado.").arg(path));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    return db;
}

QSqlDatabase openPostgres(const QUrl& url) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
    db.setHostName(url.host().isEmpty() ? QStringLiteral("127.0.0.1") : url.host());
    db.setPort(url.port(5432));
    db.setUserName(url.userName());
    db.setPassword(url.password());
    db.setDatabaseName(url.path().mid(1));
    return db;
}

// What the user may see of the address: never the password.
QString describe(const QString& url) {
    if (url.startsWith(QStringLiteral("sqlite:"))) return url;
    QUrl u(url);
    u.setPassword(QString());
    return u.toString();
}

}  // namespace

void HostDatabase::open(const QString& url) {
    close();
    QString failure;
    {
        QSqlDatabase db;
        if (url.startsWith(QStringLiteral("sqlite:"))) {
            db = openSqlite(url.mid(7));
        } else if (url.startsWith(QStringLiteral("postgresql://")) || url.startsWith(QStringLiteral("postgres://"))) {
            db = openPostgres(QUrl(url));
        } else {
            throw UserError(QStringLiteral("Endereço do banco de dados do sistema inválido: '%1'.").arg(describe(url)));
        }
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            // The host only reads this database; the engine enforces it as well.
            QSqlQuery q(db);
            if (db.driverName() == QLatin1String("QSQLITE")) {
                if (!registerSqliteFunctions(db)) failure = QStringLiteral("NVLSTR not registered");
                else if (!q.exec(QStringLiteral("PRAGMA query_only = ON"))) failure = q.lastError().text();
            } else if (!q.exec(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"))) {
                failure = q.lastError().text();
            }
        }
    }  // every handle on the connection is gone before it may be removed
    if (!failure.isEmpty()) {
        qWarning().noquote() << "host database" << describe(url) << ":" << failure;
        close();
        throw UserError(QStringLiteral("Não foi possível conectar ao banco de dados do sistema (%1).").arg(describe(url)));
    }
}

void HostDatabase::close() {
    if (!QSqlDatabase::contains(kConnection)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
}

bool HostDatabase::isOpen() {
    return QSqlDatabase::contains(kConnection) && QSqlDatabase::database(kConnection, false).isOpen();
}

bool HostDatabase::isSqlite() {
    return isOpen() && QSqlDatabase::database(kConnection, false).driverName() == QLatin1String("QSQLITE");
}

QSqlDatabase HostDatabase::database() {
    if (!isOpen()) throw UserError(QStringLiteral("Banco de dados do sistema não está conectado."));
    return QSqlDatabase::database(kConnection, false);
}

}  // namespace cot
