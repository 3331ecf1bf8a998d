#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep dealAcceptanceMigration() {
    MigrationStep step;
    step.version = 15;
    step.description = QStringLiteral("uma versão aceita por proposta");
    return step;
}

}  // namespace cot::server::detail
