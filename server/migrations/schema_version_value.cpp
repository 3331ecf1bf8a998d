// Each version keeps its value in cents, worked out by the database whenever a row it is
// made of changes (version_value_sql.h), and worked out once here for the stored ones.
// The sales pipeline reads a branch's versions of a period from one index that holds every
// column it needs, never the rows themselves; it replaces the index by branch and date,
// which is its beginning.
#include "server/migrations/migration_steps.h"
#include "server/migrations/version_value_sql.h"

namespace cot::server::detail {

MigrationStep versionValueMigration() {
    MigrationStep step;
    step.version = 12;
    step.description = QStringLiteral("valor de cada versão guardado na versão");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE PROPOSTAFAS ADD COLUMN VRTOTCENTPROP BIGINT;
DROP INDEX IX_PROPOSTAFAS_DATA;
CREATE INDEX IX_PROPOSTAFAS_PAINEL ON PROPOSTAFAS (CDFILIAL, DTPROPOSFAS, NRPROPOSFAS, NRVERPROPFAS,
    DTACEPROPFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, VRTOTCENTPROP);
)SQL");
    step.engineStatements = [](Dialect dialect) {
        return QStringList{versionValueFillSql(dialect)} + versionValueTriggerSql(dialect);
    };
    return step;
}

}  // namespace cot::server::detail
