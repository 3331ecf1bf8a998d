#pragma once
// A trigger that makes the database refuse some inserts into one table, for tests that
// prove a failure half-way through a transaction leaves nothing behind. Dropped on lift()
// or when the guard goes away.
#include <QString>

#include "support/test_server.h"

namespace cot::server {
class Database;
}

namespace cot::testing {

class RefusedInserts {
public:
    // `when` is a condition on NEW (e.g. "NEW.NRSEQCOBR = 2"), written for both engines.
    RefusedInserts(server::Database& db, Backend backend, const QString& table, const QString& when);
    ~RefusedInserts();
    RefusedInserts(const RefusedInserts&) = delete;
    RefusedInserts& operator=(const RefusedInserts&) = delete;

    void lift();

private:
    server::Database& db_;
    Backend backend_;
    QString table_;
    bool active_ = true;
};

}  // namespace cot::testing
