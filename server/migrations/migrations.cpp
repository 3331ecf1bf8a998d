#include "server/migrations/migrations.h"

#include <QDateTime>
#include <QRegularExpression>

#include "server/migrations/migration_steps.h"
#include "server/storage/database.h"

namespace cot::server {

namespace detail {

const QList<MigrationStep>& migrationSteps() {
    static const QList<MigrationStep> steps{registersMigration(), proposalsMigration(),
                                            contractsMigration(), textHistoryMigration(),
                                            acceptanceMigration(), sessionsMigration(),
                                            signInMigration(), proposalLanguageMigration(),
                                            proposalHistoryMigration(), clientDecisionMigration(),
                                            remindersMigration(), versionValueMigration(),
                                            sendingLimitsMigration(), historyVisibilityMigration(),
                                            dealAcceptanceMigration(), oneOffMonthlyMigration(),
                                            branchIdentityMigration()};
    return steps;
}

QStringList splitStatements(const QString& script) {
    QStringList out;
    QString current;
    for (const QString& line : script.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1String("--"))) continue;
        if (trimmed.endsWith(u';')) {
            current += trimmed.chopped(1);
            out << current.trimmed();
            current.clear();
        } else {
            current += trimmed + u'\n';
        }
    }
    if (!current.trimmed().isEmpty()) out << current.trimmed();
    return out;
}

}  // namespace detail

namespace {

int appliedVersion(Database& db) {
    const QVariant v = db.scalar(QStringLiteral("SELECT MAX(VERSION) FROM SCHEMA_VERSION"));
    return v.isNull() ? 0 : v.toInt();
}

}  // namespace

int latestSchemaVersion() { return detail::migrationSteps().last().version; }

void migrate(Database& db, int upTo) {
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS SCHEMA_VERSION ("
                           "VERSION INTEGER NOT NULL PRIMARY KEY, "
                           "DSVERSION VARCHAR(60), DTAPLICACAO TIMESTAMP)"));
    const int found = appliedVersion(db);
    if (found > latestSchemaVersion())
        throw SchemaTooNew(QStringLiteral("O banco está na versão de esquema %1, mais nova que a deste programa (%2): "
                                          "atualize o programa.")
                               .arg(found)
                               .arg(latestSchemaVersion())
                               .toStdString());
    for (const detail::MigrationStep& step : detail::migrationSteps()) {
        if (upTo > 0 && step.version > upTo) break;
        if (appliedVersion(db) >= step.version) continue;
        Transaction tx(db);
        // Another server starting on the same database waits here and then finds the
        // version applied (SQLite's write lock is taken by begin()).
        if (db.dialect() == Dialect::Postgres)
            db.exec(QStringLiteral("LOCK TABLE SCHEMA_VERSION IN EXCLUSIVE MODE"));
        if (appliedVersion(db) >= step.version) continue;
        for (const QString& sql : detail::splitStatements(step.commonSql)) db.exec(sql);
        if (db.dialect() == Dialect::Postgres)
            for (const QString& sql : detail::splitStatements(step.postgresSql)) db.exec(sql);
        if (step.engineStatements)
            for (const QString& sql : step.engineStatements(db.dialect())) db.exec(sql);
        if (step.dataStep) step.dataStep(db);
        db.exec(QStringLiteral("INSERT INTO SCHEMA_VERSION (VERSION, DSVERSION, DTAPLICACAO) "
                               "VALUES (:V, :D, :T)"),
                {{"V", step.version}, {"D", step.description},
                 {"T", QDateTime::currentDateTime()}});
        tx.commit();
    }
}

}  // namespace cot::server
