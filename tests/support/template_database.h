#pragma once
#include <QString>

namespace cot::testing {

// Copies into `path` a SQLite database already migrated (and seeded with the demo data when
// `seed`, as of the clock's today), made once per build of the server library and shared by
// every test process: the migrations and the seed commit many times, and a fresh file per
// test paid for each commit.
void copyTemplateDatabase(const QString& path, bool seed);

}  // namespace cot::testing
