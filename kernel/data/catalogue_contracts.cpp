// What a client holds once a proposal is accepted (product lines, their systems,
// services), the charges an acceptance brings and the deal's acceptance.
#include "data/catalogue_families.h"

namespace cot::catalogue::families {

QList<TableDef> contractTables() {
    return {
        {QStringLiteral("LINPCLIE"),
         {varchar("CDCLIENTE", 21, kRequired), varchar("CDLINPCLIE", 20, kRequired),
          varchar("CDLINPPROPINFOR", 10), varchar("NMLINPCLIE", 50), varchar("IDTIPLINPC", 1, kRequired),
          real("NRUSUALINPC"), varchar("IDAMBLINPC", 3), varchar("IDLPROCLINPC", 1),
          varchar("IDMPROCLINPC", 1), varchar("CDSISTEMAS", 449), real("QTMINIMAFATC"), real("VRLICENCUSOC"),
          real("VRMENSALIDAC"), timestamp("DTCALUSLINPC"), varchar("NRMESREAJLINC", 2),
          varchar("IDSITULINPC", 1, kRequired), varchar("NRPROPOSFAS", 20), varchar("NRVERPROPFAS", 2),
          varchar("CDLINPPROP", 20), timestamp("DTINCLUSAO")},
         {"CDCLIENTE", "CDLINPCLIE"}},
        {QStringLiteral("SISTLINPCLIE"),
         {varchar("CDCLIENTE", 21, kRequired), varchar("CDLINPCLIE", 20, kRequired),
          varchar("CDSISTEMA", 8, kRequired)},
         {"CDCLIENTE", "CDLINPCLIE", "CDSISTEMA"}},
        {QStringLiteral("SERVCLIE"),
         {varchar("CDCLIENTE", 21, kRequired), varchar("NRPROPOSFAS", 20, kRequired),
          varchar("NRVERPROPFAS", 2, kRequired), varchar("NRSERVPROP", 3, kRequired),
          varchar("CDTIPOSERV", 3, kRequired), varchar("IDTIPOCOBRCLIE", 1), real("QTSERVCLIE"),
          real("VRHORACLIE"), timestamp("DTINICLIE")},
         {"CDCLIENTE", "NRPROPOSFAS", "NRVERPROPFAS", "NRSERVPROP"}},
        {QStringLiteral("COBRPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRSEQCOBR", kRequired), varchar("CDFILIAL", 4, kRequired),
          varchar("CDCLIENTE", 21, kRequired), varchar("IDORIGCOBR", 1, kRequired), varchar("CDLINPPROP", 20),
          timestamp("DTVENCCOBR", kRequired), real("VRCOBR", kRequired), varchar("NRMESREAJCOBR", 2),
          varchar("CDOPERINCL", 12), timestamp("DTINCLUSAO")},
         {"NRPROPOSFAS", "NRVERPROPFAS", "NRSEQCOBR"}},
        {QStringLiteral("ACEITEPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          timestamp("DTACEITE", kRequired)},
         {"NRPROPOSFAS"}},
    };
}

}  // namespace cot::catalogue::families
