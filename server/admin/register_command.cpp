#include "server/admin/register_command.h"

#include <cstdio>

#include "base/errors.h"
#include "server/admin/backup_command.h"
#include "server/migrations/migrations.h"
#include "server/registers/register_export.h"
#include "server/registers/register_import.h"
#include "server/rpc/server_config.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

int runImport(Database& db, const QString& folder) {
    const registers::ImportResult result = registers::importRegisters(db, folder);
    if (!result.ok()) {
        for (const QString& line : result.errors) std::fprintf(stderr, "%s\n", qPrintable(line));
        if (result.errorCount > result.errors.size())
            std::fprintf(stderr, "... e mais %d erro(s).\n", int(result.errorCount - result.errors.size()));
        std::fprintf(stderr, "cot05000-server: %d erro(s) em %s; nada foi gravado.\n", result.errorCount,
                     qPrintable(folder));
        return 1;
    }
    std::printf("cot05000-server: cadastros importados de %s (inseridos / alterados / sem alteração):\n",
                qPrintable(folder));
    for (const registers::FileCounts& f : result.files)
        std::printf("  %-16s %6d / %6d / %6d\n", qPrintable(f.fileName), f.inserted, f.changed, f.unchanged);
    return 0;
}

int runExport(Database& db, const QString& folder) {
    const registers::ExportResult result = registers::exportRegisters(db, folder);
    if (!result.ok()) {
        std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(result.error));
        return 1;
    }
    std::printf("cot05000-server: cadastros exportados para %s:\n", qPrintable(folder));
    for (int i = 0; i < result.files.size(); ++i)
        std::printf("  %-16s %6d linha(s)\n", qPrintable(result.files[i]), result.rowCounts[i]);
    return 0;
}

}  // namespace

int runRegisterCommand(const ServerConfig& config) {
    // An older database is copied first, as the server's own start does.
    if (backupBeforeMigrate(config) != 0) return 1;
    try {
        auto db = Database::open(config.databaseUrl);
        migrate(*db);
        return config.importFolder.isEmpty() ? runExport(*db, config.exportFolder) : runImport(*db, config.importFolder);
    } catch (const cot::UserError& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", qPrintable(e.text()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: %s\n", e.what());
    }
    return 1;
}

}  // namespace cot::server
