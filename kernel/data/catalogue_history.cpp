// Generations of a proposal's texts and the history of every change to a proposal
// (HISTPROP has no key: deleting a proposal keeps its history).
#include "data/catalogue_families.h"

namespace cot::catalogue::families {

QList<TableDef> historyTables() {
    return {
        {QStringLiteral("TXTPROPFASGER"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRGERACAO", kRequired), timestamp("DTGERACAO", kRequired), varchar("CDOPERADOR", 12)},
         {"NRPROPOSFAS", "NRVERPROPFAS", "NRGERACAO"}},
        {QStringLiteral("TXTPROPFASHIST"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          integer("NRGERACAO", kRequired), varchar("CDTXTPROPFAS", 20, kRequired),
          integer("NRORDEMMSG", kRequired), text("TXPROPFAS")},
         {"NRPROPOSFAS", "NRVERPROPFAS", "NRGERACAO", "CDTXTPROPFAS"}},
        {QStringLiteral("HISTPROP"),
         {varchar("NRPROPOSFAS", 20, kRequired), varchar("NRVERPROPFAS", 2, kRequired),
          timestamp("DTHIST", kRequired), bigint("NRSEQHIST", kRequired), varchar("CDOPERADOR", 12),
          varchar("NMMETODO", 40), varchar("NMTABELA", 30), varchar("DSCHAVE", 200),
          fixedChar("IDOPERHIST", 1, kRequired), varchar("NMCAMPO", 30), text("VLANTERIOR"), text("VLNOVO"),
          varchar("CDFILIAL", 4), varchar("CDOPERINCL", 12), varchar("CDOPERSOLI", 12)},
         {}},
    };
}

}  // namespace cot::catalogue::families
