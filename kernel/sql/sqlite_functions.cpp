#include "sqlite_functions.h"

#include <QSqlDriver>
#include <QVariant>
#include <cstring>
#include <sqlite3.h>

namespace cot {

namespace {

void nvlstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "NVLSTR takes two arguments", -1);
        return;
    }
    sqlite3_value* a = argv[0];
    bool useB = sqlite3_value_type(a) == SQLITE_NULL;
    if (!useB && sqlite3_value_type(a) == SQLITE_TEXT) useB = sqlite3_value_bytes(a) == 0;
    sqlite3_result_value(ctx, useB ? argv[1] : a);
}

}  // namespace

bool registerSqliteFunctions(QSqlDatabase& db) {
    if (!db.isOpen() || !db.driver()) return false;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0) return false;
    sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData());
    if (!connection) return false;
    return sqlite3_create_function_v2(connection, "NVLSTR", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nvlstr,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace cot
