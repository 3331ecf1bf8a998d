// Standard texts tied to a commercial product, and the texts a regeneration replaced,
// kept so that a regeneration confirmed by mistake can be undone.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep textHistoryMigration() {
    MigrationStep step;
    step.version = 4;
    step.description = QStringLiteral("textos padrão por produto e histórico dos textos");
    step.commonSql = QStringLiteral(R"SQL(
-- Null: the text serves every commercial product.
ALTER TABLE PADTXT ADD COLUMN CDPROCOMERCI VARCHAR(10) REFERENCES PRODCOMERCI (CDPROCOMERCI);
-- One replaced set of texts of a proposal version (possibly empty), newest the highest.
-- CDOPERADOR stays null while the call carries no operator.
CREATE TABLE TXTPROPFASGER (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    NRGERACAO       INTEGER      NOT NULL,
    DTGERACAO       TIMESTAMP    NOT NULL,
    CDOPERADOR      VARCHAR(12),
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO),
    FOREIGN KEY (NRPROPOSFAS, NRVERPROPFAS) REFERENCES PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS)
        ON UPDATE CASCADE ON DELETE CASCADE
);
CREATE TABLE TXTPROPFASHIST (
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    NRGERACAO       INTEGER      NOT NULL,
    CDTXTPROPFAS    VARCHAR(20)  NOT NULL,
    NRORDEMMSG      INTEGER      NOT NULL,
    TXPROPFAS       TEXT,
    PRIMARY KEY (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO, CDTXTPROPFAS),
    FOREIGN KEY (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO)
        REFERENCES TXTPROPFASGER (NRPROPOSFAS, NRVERPROPFAS, NRGERACAO)
        ON UPDATE CASCADE ON DELETE CASCADE
);
)SQL");
    return step;
}

}  // namespace cot::server::detail
