// Each version keeps its value in cents (the triggers that keep it came with version 16,
// schema_one_off_monthly.cpp, which works it out for the stored versions as well).
// The sales pipeline reads a branch's versions of a period from one index that holds every
// column it needs, never the rows themselves; it replaces the index by branch and date,
// which is its beginning.
#include "server/migrations/migration_steps.h"

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
    return step;
}

}  // namespace cot::server::detail
