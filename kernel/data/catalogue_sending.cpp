// Proposals sent to the client, the client's decision, lost deals, reminders, the PDFs
// sent (kept once, in parts) and the sending quota (no key: one row per sending).
#include "data/catalogue_families.h"

namespace cot::catalogue::families {

QList<TableDef> sendingTables() {
    return {
        {QStringLiteral("ENVIOPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRENVIO", kRequired), fixedChar("TXTOKENHASH", 64, kRequired),
          timestamp("DTENVIO", kRequired), varchar("CDOPERADOR", 12), varchar("DSEMAILDEST", 250, kRequired),
          date("DTEXPIRA", kRequired), timestamp("DTREVOGA"), varchar("CDOPERREVOGA", 12),
          fixedChar("TXHASHCONT", 64, kRequired), fixedChar("TXHASHPDF", 64)},
         {"NRPROPOSFAS", "NRVERPROPFAS", "NRENVIO"}},
        {QStringLiteral("DECISAOPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRENVIO", kRequired), fixedChar("IDDECISAO", 1, kRequired),
          timestamp("DTDECISAO", kRequired), varchar("NMRESPDECISAO", 100), varchar("DSCARGODECISAO", 100),
          fixedChar("IDMOTIVO", 1), text("TXCOMENTARIO"), varchar("DSENDIP", 64), varchar("DSNAVEGADOR", 300),
          fixedChar("TXHASHCONT", 64, kRequired)},
         {"NRPROPOSFAS", "NRVERPROPFAS"}},
        {QStringLiteral("PERDAPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          timestamp("DTPERDA", kRequired), varchar("CDOPERADOR", 12), fixedChar("IDMOTIVO", 1, kRequired),
          varchar("TXMOTIVO", 500)},
         {"NRPROPOSFAS", "NRVERPROPFAS"}},
        {QStringLiteral("LEMBRETEPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          date("DTLEMBRETE", kRequired), varchar("CDOPERADOR", 12, kRequired), timestamp("DTENVIO")},
         {"NRPROPOSFAS", "NRVERPROPFAS", "DTLEMBRETE"}},
        {QStringLiteral("PDFENVIO"),
         {fixedChar("TXHASHPDF", 64, kRequired), integer("QTBYTESPDF", kRequired)},
         {"TXHASHPDF"}},
        {QStringLiteral("PDFPARTE"),
         {fixedChar("TXHASHPDF", 64, kRequired), integer("NRPARTE", kRequired), text("TXPARTE", kRequired)},
         {"TXHASHPDF", "NRPARTE"}},
        {QStringLiteral("COTAENVIO"),
         {varchar("CDOPERADOR", 12, kRequired), timestamp("DTENVIO", kRequired),
          varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRENVIO", kRequired)},
         {}},
    };
}

}  // namespace cot::catalogue::families
