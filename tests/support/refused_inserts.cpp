#include "support/refused_inserts.h"

#include "server/storage/database.h"

namespace cot::testing {

RefusedInserts::RefusedInserts(server::Database& db, Backend backend, const QString& table, const QString& when)
    : db_(db), backend_(backend), table_(table) {
    if (backend_ == Backend::Postgres) {
        db_.exec("CREATE OR REPLACE FUNCTION COT_TEST_RECUSA() RETURNS trigger AS $$ "
                 "BEGIN RAISE EXCEPTION 'recusado pelo teste'; END $$ LANGUAGE plpgsql");
        db_.exec("CREATE TRIGGER TG_TEST_RECUSA BEFORE INSERT ON " + table_ + " FOR EACH ROW WHEN (" + when +
                 ") EXECUTE FUNCTION COT_TEST_RECUSA()");
    } else {
        db_.exec("CREATE TRIGGER TG_TEST_RECUSA BEFORE INSERT ON " + table_ + " WHEN " + when +
                 " BEGIN SELECT RAISE(ABORT, 'recusado pelo teste'); END");
    }
}

RefusedInserts::~RefusedInserts() {
    try {
        lift();
    } catch (...) {
    }
}

void RefusedInserts::lift() {
    if (!active_) return;
    active_ = false;
    db_.exec("DROP TRIGGER TG_TEST_RECUSA" + QString(backend_ == Backend::Postgres ? " ON " + table_ : QString()));
}

}  // namespace cot::testing
