#pragma once
#include <stdexcept>

namespace cot::server {
class Database;

// The database was made by a newer program; nothing is changed in it.
class SchemaTooNew : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Brings the schema to the latest version (idempotent; records applied versions), or to
// `upTo` when given (a database of an earlier release, for the upgrade tests). Throws
// SchemaTooNew for a database whose schema is newer than this program's.
// Ours: no migration library runs over Database (both engines, each step in its own transaction).
void migrate(Database& db, int upTo = 0);
// Latest schema version known to this build.
int latestSchemaVersion();
}  // namespace cot::server
