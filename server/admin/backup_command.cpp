#include "server/admin/backup_command.h"

#include <QDateTime>
#include <cstdio>

#include "server/admin/backup_files.h"
#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/sqlite_files.h"

namespace cot::server {

namespace {

bool isSqlite(const ServerConfig& config) { return config.databaseUrl.startsWith(QLatin1String("sqlite:")); }

void backupAs(const QString& database, const backup_files::BackupPlan& plan) {
    backup_files::ensureFolder(plan.folder);
    sqlite_files::backup(database, plan.file);
}

}  // namespace

// --backup and --restore: SQLite files only; PostgreSQL has its own tools.
int runBackupCommand(const ServerConfig& config) {
    if (!isSqlite(config)) {
        std::fprintf(stderr, "cot05000-server: para PostgreSQL use pg_dump e pg_restore (veja docs/deploy.md).\n");
        return 2;
    }
    const QString database = config.databaseUrl.mid(7);
    try {
        if (!config.backupFile.isEmpty()) {
            const backup_files::BackupPlan plan = backup_files::planBackup(config.backupFile, QDateTime::currentDateTime());
            if (config.keepBackups > 0 && !plan.intoFolder) {
                std::fprintf(stderr, "cot05000-server: --keep só vale quando --backup indica uma pasta "
                                     "(existente ou terminada em /).\n");
                return 2;
            }
            backupAs(database, plan);
            std::printf("cot05000-server: cópia de %s gravada em %s\n", qPrintable(database), qPrintable(plan.file));
            if (config.keepBackups > 0)
                for (const QString& old : backup_files::pruneBackups(plan.folder, config.keepBackups))
                    std::printf("cot05000-server: cópia antiga %s apagada\n", qPrintable(old));
        } else {
            sqlite_files::restore(config.restoreFile, database, latestSchemaVersion());
            std::printf("cot05000-server: %s restaurado de %s\n", qPrintable(database), qPrintable(config.restoreFile));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", e.what());
        return 1;
    }
    return 0;
}

int backupBeforeMigrate(const ServerConfig& config) {
    if (config.backupBeforeMigrate.isEmpty()) return 0;
    if (!isSqlite(config)) {
        std::fprintf(stderr, "cot05000-server: backup-before-migrate vale só para SQLite; no PostgreSQL a cópia "
                             "antes de atualizar o programa (pg_dump) fica a cargo do administrador.\n");
        return 0;
    }
    const QString database = config.databaseUrl.mid(7);
    try {
        const int version = sqlite_files::schemaVersion(database);
        // A new database has nothing to keep; a newer one is refused by the migrations.
        if (version <= 0 || version >= latestSchemaVersion()) return 0;
        const QString folder = config.backupBeforeMigrate.endsWith(u'/') ? config.backupBeforeMigrate
                                                                         : config.backupBeforeMigrate + u'/';
        const backup_files::BackupPlan plan = backup_files::planBackup(folder, QDateTime::currentDateTime());
        backupAs(database, plan);
        std::fprintf(stderr, "cot05000-server: banco na versão de esquema %d; cópia gravada em %s antes de "
                             "atualizá-lo para a versão %d.\n",
                     version, qPrintable(plan.file), latestSchemaVersion());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: a cópia antes de atualizar o banco falhou, nada foi alterado: %s\n",
                     e.what());
        return 1;
    }
    return 0;
}

}  // namespace cot::server
