// Sessions opened by the server's sign-in, shared by every server over the database, and
// the failed sign-ins that slow down guessing.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep sessionsMigration() {
    MigrationStep step;
    step.version = 6;
    step.description = QStringLiteral("sessões dos operadores e tentativas de entrada");
    // The token itself is never stored: only its SHA-256, so a copy of the database
    // (a backup, a reader of the tables) opens no session.
    step.commonSql = QStringLiteral(R"SQL(
CREATE TABLE SESSAO (
    CDHASHSESSAO  VARCHAR(64) NOT NULL PRIMARY KEY,
    CDOPERADOR    VARCHAR(12) NOT NULL REFERENCES OPERADOR (CDOPERADOR) ON DELETE CASCADE,
    DTINICIO      TIMESTAMP NOT NULL,
    DTEXPIRA      TIMESTAMP NOT NULL,
    DTLIMITE      TIMESTAMP NOT NULL
);
CREATE INDEX SESSAO_OPERADOR ON SESSAO (CDOPERADOR);
CREATE TABLE FALHAENTRADA (
    CDOPERADOR    VARCHAR(12) NOT NULL PRIMARY KEY REFERENCES OPERADOR (CDOPERADOR) ON DELETE CASCADE,
    NRFALHAS      INTEGER NOT NULL,
    DTULTFALHA    TIMESTAMP NOT NULL
);
)SQL");
    return step;
}

}  // namespace cot::server::detail
