#include "server/admin/backup_command.h"

#include <cstdio>

#include "server/migrations/migrations.h"
#include "server/rpc/server_config.h"
#include "server/storage/sqlite_files.h"

namespace cot::server {

// --backup and --restore: SQLite files only; PostgreSQL has its own tools.
int runBackupCommand(const ServerConfig& config) {
    if (!config.databaseUrl.startsWith(QLatin1String("sqlite:"))) {
        std::fprintf(stderr, "cot05000-server: para PostgreSQL use pg_dump e pg_restore (veja docs/deploy.md).\n");
        return 2;
    }
    const QString database = config.databaseUrl.mid(7);
    try {
        if (!config.backupFile.isEmpty()) {
            sqlite_files::backup(database, config.backupFile);
            std::printf("cot05000-server: cópia de %s gravada em %s\n", qPrintable(database), qPrintable(config.backupFile));
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

}  // namespace cot::server
