// Each version keeps its value in cents, worked out by the database whenever a row it is
// made of changes (version_value_sql.h), and worked out once here for the stored ones.
#include "server/migrations/migration_steps.h"
#include "server/migrations/version_value_sql.h"

namespace cot::server::detail {

MigrationStep versionValueMigration() {
    MigrationStep step;
    step.version = 12;
    step.description = QStringLiteral("valor de cada versão guardado na versão");
    step.commonSql = QStringLiteral("ALTER TABLE PROPOSTAFAS ADD COLUMN VRTOTCENTPROP BIGINT;\n");
    step.engineStatements = [](Dialect dialect) {
        return QStringList{versionValueFillSql(dialect)} + versionValueTriggerSql(dialect);
    };
    return step;
}

}  // namespace cot::server::detail
