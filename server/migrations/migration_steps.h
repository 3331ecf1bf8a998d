#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "server/storage/database.h"

namespace cot::server::detail {

// One schema version: statements in the SQL subset both engines accept, plus the few
// that only one engine needs (functions SQLite gets from the connection instead).
struct MigrationStep {
    int version = 0;
    QString description;
    QString commonSql;    // statements separated by ";" at line ends
    QString postgresSql;  // extra statements for PostgreSQL only
    // Whole statements made for the engine (bodies with ";" inside: triggers, functions),
    // run after the scripts above.
    std::function<QStringList(Dialect)> engineStatements;
    // Rows the program moves itself (what SQL cannot work out, a hash), run last.
    std::function<void(Database&)> dataStep;
};

const QList<MigrationStep>& migrationSteps();

// Splits a script into statements (";" ending a line), dropping "--" comment lines.
QStringList splitStatements(const QString& script);

// The individual versions, each in its own source.
MigrationStep registersMigration();
MigrationStep proposalsMigration();
MigrationStep contractsMigration();
MigrationStep textHistoryMigration();
MigrationStep acceptanceMigration();
MigrationStep sessionsMigration();
MigrationStep signInMigration();
MigrationStep proposalLanguageMigration();
MigrationStep proposalHistoryMigration();
MigrationStep clientDecisionMigration();
MigrationStep remindersMigration();
MigrationStep versionValueMigration();
MigrationStep historyVisibilityMigration();
MigrationStep sendingLimitsMigration();
MigrationStep dealAcceptanceMigration();
MigrationStep oneOffMonthlyMigration();
MigrationStep branchIdentityMigration();

}  // namespace cot::server::detail
