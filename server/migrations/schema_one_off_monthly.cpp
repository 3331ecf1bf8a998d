// A version keeps two figures instead of one sum: VRTOTCENTPROP becomes the one-off value
// (licence as charged plus services) and VRMENCENTPROP the monthly value, both in cents
// and kept by the triggers of version_value_sql.h, which replace the earlier ones that
// added the monthly value into the one sum. Both are worked out again for every stored
// version. The pipeline's index holds the monthly column as well, so the pipeline still
// reads the index alone.
#include "server/migrations/migration_steps.h"
#include "server/migrations/version_value_sql.h"

namespace cot::server::detail {

MigrationStep oneOffMonthlyMigration() {
    MigrationStep step;
    step.version = 16;
    step.description = QStringLiteral("valor único e mensal de cada versão");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE PROPOSTAFAS ADD COLUMN VRMENCENTPROP BIGINT;
DROP INDEX IX_PROPOSTAFAS_PAINEL;
CREATE INDEX IX_PROPOSTAFAS_PAINEL ON PROPOSTAFAS (CDFILIAL, DTPROPOSFAS, NRPROPOSFAS, NRVERPROPFAS,
    DTACEPROPFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, VRTOTCENTPROP, VRMENCENTPROP);
)SQL");
    step.engineStatements = [](Dialect dialect) {
        return QStringList{versionValueFillSql(dialect)} + versionValueTriggerSql(dialect);
    };
    return step;
}

}  // namespace cot::server::detail
