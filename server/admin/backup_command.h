#pragma once

namespace cot::server {
struct ServerConfig;

// cot05000-server --backup / --restore: copies the SQLite database and stops.
// Returns the process exit code (0 done, 1 failed, 2 not for this database or options).
int runBackupCommand(const ServerConfig& config);

// At start, with backup-before-migrate: an existing SQLite database of an older schema is
// copied into that folder before the migrations touch it. Returns 0 to go on (copied, or
// nothing to copy, or PostgreSQL), 1 when the copy failed and the start must stop.
int backupBeforeMigrate(const ServerConfig& config);

}  // namespace cot::server
