// Reminders of proposals about to expire: how many days ahead each branch warns its
// salespeople (none set: 5), and which versions were already in a reminder on which day,
// so a version is never in two reminders of the same day (DTENVIO empty: claimed by a run
// whose message is still going out).
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep remindersMigration() {
    MigrationStep step;
    step.version = 11;
    step.description = QStringLiteral("lembretes de propostas a vencer");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE FILIAL ADD COLUMN NRDIASLEMBRETE INTEGER;
CREATE TABLE LEMBRETEPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    DTLEMBRETE      DATE         NOT NULL,
    CDOPERADOR      VARCHAR(12)  NOT NULL,
    DTENVIO         TIMESTAMP,
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS, DTLEMBRETE)
);
)SQL");
    return step;
}

}  // namespace cot::server::detail
