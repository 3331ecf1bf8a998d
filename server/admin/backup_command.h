#pragma once

namespace cot::server {
struct ServerConfig;

// cot05000-server --backup / --restore: copies the SQLite database and stops.
// Returns the process exit code (0 done, 1 failed, 2 not for this database).
int runBackupCommand(const ServerConfig& config);

}  // namespace cot::server
