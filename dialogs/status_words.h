#pragma once
#include <QString>

namespace cot {

// The words of a proposal's status, the same in the list's legend, the exported list and
// the pipeline. `code` is the status letter the server lists (IDSITUACAO) and the pipeline
// counts: A "Aceita", V "Válida", E "A vencer", X "Vencida", S "Substituída", P "Perdida",
// R "Recusada pelo cliente"; empty for any other.
QString proposalStatusWord(const QString& code);

// The client's decision on his page (IDDECCLIENTE "A", "R"); empty without one.
QString clientDecisionWord(const QString& decision);

}  // namespace cot
