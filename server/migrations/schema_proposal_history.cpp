// The history of every proposal: each field a change of the server wrote, with who, when
// and through which method (server/storage/proposal_history.h). Deleting a proposal keeps
// its history, so no key ties it to the proposal's rows.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep proposalHistoryMigration() {
    MigrationStep step;
    step.version = 9;
    step.description = QStringLiteral("histórico das alterações das propostas");
    step.commonSql = QStringLiteral(R"SQL(
CREATE TABLE HISTPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    DTHIST          TIMESTAMP    NOT NULL,
    NRSEQHIST       BIGINT       NOT NULL,
    CDOPERADOR      VARCHAR(12),
    NMMETODO        VARCHAR(40),
    NMTABELA        VARCHAR(30),
    DSCHAVE         VARCHAR(200),
    IDOPERHIST      CHAR(1)      NOT NULL,
    NMCAMPO         VARCHAR(30),
    VLANTERIOR      TEXT,
    VLNOVO          TEXT
);
CREATE INDEX HISTPROP_PROPOSTA ON HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST);
)SQL");
    return step;
}

}  // namespace cot::server::detail
