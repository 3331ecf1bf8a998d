// What the client is sent and what he answers: each sending of a proposal version to the
// client with its link (only the SHA-256 of the link's token is kept), the client's one
// decision on a version, and a version the salesperson marked lost with its reason.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep clientDecisionMigration() {
    MigrationStep step;
    step.version = 10;
    step.description = QStringLiteral("envio ao cliente, decisão do cliente, perdas");
    step.commonSql = QStringLiteral(R"SQL(
CREATE TABLE ENVIOPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    NRENVIO         INTEGER      NOT NULL,
    TXTOKENHASH     CHAR(64)     NOT NULL,
    DTENVIO         TIMESTAMP    NOT NULL,
    CDOPERADOR      VARCHAR(12),
    DSEMAILDEST     VARCHAR(250) NOT NULL,
    DTEXPIRA        DATE         NOT NULL,
    DTREVOGA        TIMESTAMP,
    CDOPERREVOGA    VARCHAR(12),
    TXHASHCONT      CHAR(64)     NOT NULL,
    TXPDF           TEXT,
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS, NRENVIO)
);
CREATE UNIQUE INDEX ENVIOPROP_TOKEN ON ENVIOPROP (TXTOKENHASH);
CREATE TABLE DECISAOPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    NRENVIO         INTEGER      NOT NULL,
    IDDECISAO       CHAR(1)      NOT NULL,
    DTDECISAO       TIMESTAMP    NOT NULL,
    NMRESPDECISAO   VARCHAR(100),
    DSCARGODECISAO  VARCHAR(100),
    IDMOTIVO        CHAR(1),
    TXCOMENTARIO    TEXT,
    DSENDIP         VARCHAR(64),
    DSNAVEGADOR     VARCHAR(300),
    TXHASHCONT      CHAR(64)     NOT NULL,
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS)
);
CREATE TABLE PERDAPROP (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    DTPERDA         TIMESTAMP    NOT NULL,
    CDOPERADOR      VARCHAR(12),
    IDMOTIVO        CHAR(1)      NOT NULL,
    TXMOTIVO        VARCHAR(500),
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS)
);
-- The list asks of each open version whether another version of its number was accepted.
CREATE INDEX PROPOSTAFAS_ACEITE ON PROPOSTAFAS (NRPROPOSFAS, DTACEPROPFAS);
)SQL");
    return step;
}

}  // namespace cot::server::detail
