#include <QSqlResult>
#include <libpq-fe.h>

#include "storage/database_sql.h"

namespace cot::server::detail {

bool postgresColumnOfTable(const QSqlQuery& q, int column) {
    const QVariant handle = q.result() ? q.result()->handle() : QVariant();
    if (!handle.isValid()) return false;
    // The driver registers the handle under the struct's tag name.
    const char* type = handle.typeName();
    if (qstrcmp(type, "PGresult*") != 0 && qstrcmp(type, "pg_result*") != 0) return false;
    const PGresult* res = *static_cast<PGresult* const*>(handle.constData());
    return res && PQftable(res, column) != InvalidOid;
}

}  // namespace cot::server::detail
