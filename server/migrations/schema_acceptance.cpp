// What acceptance and its notification need beyond the first schema: who accepted a
// proposal, and the port of a branch's mail server (a local relay rarely listens on 25).
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep acceptanceMigration() {
    MigrationStep step;
    step.version = 5;
    step.description = QStringLiteral("aceite da proposta e porta do servidor de e-mail");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE PROPOSTAFAS ADD COLUMN CDOPERACEITE VARCHAR(12);
-- Null: the protocol's standard port.
ALTER TABLE ENDEFILI ADD COLUMN NRPORTSMTPF INTEGER;
)SQL");
    return step;
}

}  // namespace cot::server::detail
