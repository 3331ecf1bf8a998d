#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep oneOffMonthlyMigration() {
    MigrationStep step;
    step.version = 16;
    step.description = QStringLiteral("valor único e mensal de cada versão");
    return step;
}

}  // namespace cot::server::detail
