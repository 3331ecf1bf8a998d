// Bounds on sending proposals to clients: each PDF sent is stored once (PDFENVIO, by the
// SHA-256 of its bytes, in parts in PDFPARTE: client_page/pdf_store.h) and the sendings name it; a sending is also written to COTAENVIO,
// which the operator's hourly and daily quota counts and which deleting a version leaves
// alone; a branch may set its own quota (FILIAL.QTENVIOHORA, QTENVIODIA; empty: the
// default). The PDFs already stored move to PDFENVIO, one row per distinct content, and
// a PDF no sending names any more goes with its last sending.
#include "server/client_page/pdf_store.h"
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

namespace {

QStringList orphanPdfTrigger(Dialect dialect) {
    const QString orphan = QStringLiteral("TXHASHPDF = OLD.TXHASHPDF "
                                          "AND NOT EXISTS (SELECT 1 FROM ENVIOPROP E WHERE E.TXHASHPDF = OLD.TXHASHPDF)");
    const QString drop =
        QStringLiteral("DELETE FROM PDFPARTE WHERE %1; DELETE FROM PDFENVIO WHERE %1").arg(orphan);
    if (dialect == Dialect::Postgres)
        return {QStringLiteral("CREATE OR REPLACE FUNCTION COT_TG_PDF_ENVIO() RETURNS TRIGGER LANGUAGE plpgsql AS $$ "
                               "BEGIN IF OLD.TXHASHPDF IS NOT NULL THEN %1; END IF; RETURN NULL; END $$")
                    .arg(drop),
                QStringLiteral("CREATE TRIGGER TG_ENVIOPROP_PDF AFTER DELETE ON ENVIOPROP "
                               "FOR EACH ROW EXECUTE FUNCTION COT_TG_PDF_ENVIO()")};
    return {QStringLiteral("CREATE TRIGGER TG_ENVIOPROP_PDF AFTER DELETE ON ENVIOPROP "
                           "WHEN OLD.TXHASHPDF IS NOT NULL BEGIN %1; END")
                .arg(drop)};
}

// One stored PDF at a time: a database of many large ones is moved in a few megabytes.
void moveStoredPdfs(Database& db) {
    const Packet sent = db.query(QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, NRENVIO FROM ENVIOPROP "
                                                "WHERE TXPDF IS NOT NULL"),
                                 {},
                                 {{QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                                  {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
                                  {QStringLiteral("NRENVIO"), FieldType::Integer, 0}});
    for (int row = 0; row < sent.rows.size(); ++row) {
        const QVariantMap key{{"NR", sent.value(row, QStringLiteral("NRPROPOSFAS"))},
                              {"VER", sent.value(row, QStringLiteral("NRVERPROPFAS"))},
                              {"N", sent.value(row, QStringLiteral("NRENVIO"))}};
        const QString where = QStringLiteral(" WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER AND NRENVIO = :N");
        const QString text = db.scalar(QStringLiteral("SELECT TXPDF FROM ENVIOPROP") + where, key).toString();
        const QByteArray pdf = QByteArray::fromBase64(text.toLatin1());
        if (pdf.isEmpty()) continue;
        const QString hash = client_page::storePdf(db, pdf);
        QVariantMap named = key;
        named.insert(QStringLiteral("H"), hash);
        db.exec(QStringLiteral("UPDATE ENVIOPROP SET TXHASHPDF = :H") + where, named);
    }
    db.exec(QStringLiteral("ALTER TABLE ENVIOPROP DROP COLUMN TXPDF"));
}

}  // namespace

MigrationStep sendingLimitsMigration() {
    MigrationStep step;
    step.version = 13;
    step.description = QStringLiteral("PDF enviado guardado uma vez; cota de envios ao cliente");
    step.commonSql = QStringLiteral(R"SQL(
CREATE TABLE PDFENVIO (
    TXHASHPDF       CHAR(64)     NOT NULL PRIMARY KEY,
    QTBYTESPDF      INTEGER      NOT NULL
);
CREATE TABLE PDFPARTE (
    TXHASHPDF       CHAR(64)     NOT NULL REFERENCES PDFENVIO (TXHASHPDF),
    NRPARTE         INTEGER      NOT NULL,
    TXPARTE         TEXT         NOT NULL,
    PRIMARY KEY (TXHASHPDF, NRPARTE)
);
ALTER TABLE ENVIOPROP ADD COLUMN TXHASHPDF CHAR(64) REFERENCES PDFENVIO (TXHASHPDF);
CREATE INDEX ENVIOPROP_PDF ON ENVIOPROP (TXHASHPDF);
CREATE TABLE COTAENVIO (
    CDOPERADOR      VARCHAR(12)  NOT NULL,
    DTENVIO         TIMESTAMP    NOT NULL,
    NRPROPOSFAS     VARCHAR(20)  NOT NULL,
    NRVERPROPFAS    VARCHAR(2)   NOT NULL,
    NRENVIO         INTEGER      NOT NULL
);
CREATE INDEX COTAENVIO_OPER ON COTAENVIO (CDOPERADOR, DTENVIO);
INSERT INTO COTAENVIO (CDOPERADOR, DTENVIO, NRPROPOSFAS, NRVERPROPFAS, NRENVIO)
    SELECT CDOPERADOR, DTENVIO, NRPROPOSFAS, NRVERPROPFAS, NRENVIO FROM ENVIOPROP WHERE CDOPERADOR IS NOT NULL;
ALTER TABLE FILIAL ADD COLUMN QTENVIOHORA INTEGER;
ALTER TABLE FILIAL ADD COLUMN QTENVIODIA INTEGER;
)SQL");
    step.engineStatements = orphanPdfTrigger;
    step.dataStep = moveStoredPdfs;
    return step;
}

}  // namespace cot::server::detail
