#pragma once

namespace cot::server {
class Database;

// Brings the schema to the latest version (idempotent; records applied versions).
void migrate(Database& db);
// Latest schema version known to this build.
int latestSchemaVersion();
}  // namespace cot::server
