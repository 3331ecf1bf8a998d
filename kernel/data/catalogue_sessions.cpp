// Open sessions and failed sign-ins (per name as typed and client address).
#include "data/catalogue_families.h"

namespace cot::catalogue::families {

QList<TableDef> sessionTables() {
    return {
        {QStringLiteral("SESSAO"),
         {varchar("CDHASHSESSAO", 64, kRequired), varchar("CDOPERADOR", 12, kRequired),
          timestamp("DTINICIO", kRequired), timestamp("DTEXPIRA", kRequired), timestamp("DTLIMITE", kRequired),
          varchar("CDSELOSENHA", 64)},
         {"CDHASHSESSAO"}},
        {QStringLiteral("FALHAENTRADA"),
         {varchar("DSENDERECO", 64, kRequired), varchar("CDOPERADOR", 60, kRequired),
          integer("NRFALHAS", kRequired), timestamp("DTULTFALHA", kRequired)},
         {"DSENDERECO", "CDOPERADOR"}},
    };
}

}  // namespace cot::catalogue::families
