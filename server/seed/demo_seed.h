#pragma once

namespace cot::server {
class Database;

// Fills an empty, migrated database with the demo data (branches, operators, clients,
// prospects, proposals in every status, ...). Does nothing when the database holds
// proposals or registers of its own (branches imported for a real office): demo proposals
// would point at clients and operators that are not there.
void seedDemo(Database& db);
}  // namespace cot::server
