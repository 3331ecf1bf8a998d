// Who offers: the company a branch signs its documents with (its name, phone and site
// beside the CNPJ FILIAL already keeps; the address is ENDEFILI's), the branch's logo and
// the salesperson's phone. The logo is kept in Base64 text, as the stored PDFs are, so both
// engines hold it the same way (registers/branch_identity.h reads it all).
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep branchIdentityMigration() {
    MigrationStep step;
    step.version = 17;
    step.description = QStringLiteral("identidade da filial");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE FILIAL ADD COLUMN NMEMPRFILI VARCHAR(60);
ALTER TABLE FILIAL ADD COLUMN NRFONEFILI VARCHAR(25);
ALTER TABLE FILIAL ADD COLUMN DSSITEFILI VARCHAR(60);
CREATE TABLE LOGOFILI (
    CDFILIAL        VARCHAR(4)   NOT NULL PRIMARY KEY REFERENCES FILIAL (CDFILIAL),
    IDTIPOLOGO      VARCHAR(20)  NOT NULL,
    TXLOGO          TEXT         NOT NULL
);
ALTER TABLE OPERADOR ADD COLUMN NRFONEOPER VARCHAR(25);
)SQL");
    return step;
}

}  // namespace cot::server::detail
