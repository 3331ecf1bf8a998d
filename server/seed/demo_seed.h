#pragma once

namespace cot::server {
class Database;

// Fills an empty, migrated database with the demo data (branches, operators, clients,
// prospects, proposals in every status, ...). Does nothing when proposals already exist.
void seedDemo(Database& db);
}  // namespace cot::server
