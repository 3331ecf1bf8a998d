// Who accepted a proposal, next to when.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep acceptanceMigration() {
    MigrationStep step;
    step.version = 5;
    step.description = QStringLiteral("operador do aceite da proposta");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE PROPOSTAFAS ADD COLUMN CDOPERACEITE VARCHAR(12);
)SQL");
    return step;
}

}  // namespace cot::server::detail
