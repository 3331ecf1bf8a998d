// Failed sign-ins counted per name as typed and client address, and sessions tied to the
// operator's password as it was when they were opened.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep signInMigration() {
    MigrationStep step;
    step.version = 7;
    step.description = QStringLiteral("tentativas de entrada por endereço e selo da senha");
    // The old counts (per operator, whatever the address) mean nothing under the new key:
    // at worst a hold-back ends early once.
    step.commonSql = QStringLiteral(R"SQL(
DROP TABLE FALHAENTRADA;
-- CDOPERADOR: the name as typed (upper case), registered or not, so that the answers
-- tell nothing about which operators exist. DSENDERECO: the client's address (an IPv6
-- one by its /64 network), empty when unknown.
CREATE TABLE FALHAENTRADA (
    DSENDERECO    VARCHAR(64) NOT NULL,
    CDOPERADOR    VARCHAR(60) NOT NULL,
    NRFALHAS      INTEGER NOT NULL,
    DTULTFALHA    TIMESTAMP NOT NULL,
    PRIMARY KEY (DSENDERECO, CDOPERADOR)
);
CREATE INDEX FALHAENTRADA_ULTFALHA ON FALHAENTRADA (DTULTFALHA);
-- SHA-256 of the operator's DSHASHSENHA when the session was opened: a session ends
-- when the password changes, however it is changed. Null in sessions opened before.
ALTER TABLE SESSAO ADD COLUMN CDSELOSENHA VARCHAR(64);
)SQL");
    return step;
}

}  // namespace cot::server::detail
