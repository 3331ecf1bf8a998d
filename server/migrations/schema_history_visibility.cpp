// Each history row keeps the branch and the operators (who included and who requested) of
// its version as they were when the row was written, so the history of a version no longer
// stored is read by those who could see it (server/auth/history_rights.h), and a version
// created again under the same key does not open its predecessor's history.
//
// The rows already written are filled here: those of a version still stored, written since
// its last deletion, from the version as stored; the others (a deleted version, or an earlier
// life of the key) take the branch the history itself recorded for the version's row (the
// newest insert or change of PROPOSTAFAS.CDFILIAL at or before them, in the same life) and
// no operators, so only those who see the whole branch read them. A row whose branch is not
// known either is read by nobody through the server.
#include "server/migrations/migration_steps.h"

namespace cot::server::detail {

MigrationStep historyVisibilityMigration() {
    MigrationStep step;
    step.version = 14;
    step.description = QStringLiteral("filial e operadores da versão em cada linha do histórico");
    step.commonSql = QStringLiteral(R"SQL(
ALTER TABLE HISTPROP ADD COLUMN CDFILIAL VARCHAR(4);
ALTER TABLE HISTPROP ADD COLUMN CDOPERINCL VARCHAR(12);
ALTER TABLE HISTPROP ADD COLUMN CDOPERSOLI VARCHAR(12);
UPDATE HISTPROP SET
    CDFILIAL = (SELECT P.CDFILIAL FROM PROPOSTAFAS P
                WHERE P.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND P.NRVERPROPFAS = HISTPROP.NRVERPROPFAS),
    CDOPERINCL = (SELECT P.CDOPERINCL FROM PROPOSTAFAS P
                  WHERE P.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND P.NRVERPROPFAS = HISTPROP.NRVERPROPFAS),
    CDOPERSOLI = (SELECT P.CDOPERSOLI FROM PROPOSTAFAS P
                  WHERE P.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND P.NRVERPROPFAS = HISTPROP.NRVERPROPFAS)
WHERE EXISTS (SELECT 1 FROM PROPOSTAFAS P
              WHERE P.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND P.NRVERPROPFAS = HISTPROP.NRVERPROPFAS)
  AND NOT EXISTS (SELECT 1 FROM HISTPROP E
                  WHERE E.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND E.NRVERPROPFAS = HISTPROP.NRVERPROPFAS
                    AND E.NMTABELA = 'PROPOSTAFAS' AND E.IDOPERHIST = 'E'
                    AND (E.DTHIST > HISTPROP.DTHIST
                         OR (E.DTHIST = HISTPROP.DTHIST AND E.NRSEQHIST >= HISTPROP.NRSEQHIST)));
UPDATE HISTPROP SET
    CDFILIAL = (SELECT B.VLNOVO FROM HISTPROP B
                WHERE B.NRPROPOSFAS = HISTPROP.NRPROPOSFAS AND B.NRVERPROPFAS = HISTPROP.NRVERPROPFAS
                  AND B.NMTABELA = 'PROPOSTAFAS' AND B.NMCAMPO = 'CDFILIAL' AND B.IDOPERHIST IN ('I', 'A')
                  AND LENGTH(B.VLNOVO) <= 4 AND B.DTHIST <= HISTPROP.DTHIST
                  AND NOT EXISTS (SELECT 1 FROM HISTPROP E
                                  WHERE E.NRPROPOSFAS = HISTPROP.NRPROPOSFAS
                                    AND E.NRVERPROPFAS = HISTPROP.NRVERPROPFAS
                                    AND E.NMTABELA = 'PROPOSTAFAS' AND E.IDOPERHIST = 'E'
                                    AND E.DTHIST > B.DTHIST AND E.DTHIST < HISTPROP.DTHIST)
                ORDER BY B.DTHIST DESC, B.NRSEQHIST DESC LIMIT 1)
WHERE CDFILIAL IS NULL;
)SQL");
    return step;
}

}  // namespace cot::server::detail
