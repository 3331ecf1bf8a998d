// Proposals stored before new ones were given a language have none, and the standard
// texts and the approval e-mails are chosen by language: they take the default one, the
// language every new proposal starts with.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep proposalLanguageMigration() {
    MigrationStep step;
    step.version = 8;
    step.description = QStringLiteral("idioma padrão nas propostas sem idioma");
    step.commonSql = QStringLiteral(R"SQL(
UPDATE PROPOSTAFAS SET IDIDIOMA = 'POR' WHERE IDIDIOMA IS NULL OR TRIM(IDIDIOMA) = '';
)SQL");
    return step;
}

}  // namespace cot::server::detail
