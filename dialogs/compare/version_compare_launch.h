#pragma once

namespace cot {

class ProposalReach;

// "Comparar Versões" of the proposal screen's "Opções" menu: opens the comparison window
// on the number under the screen's cursor. A number the list holds in one version only is
// told so ("A proposta tem uma só versão.") and nothing opens.
void openVersionCompare(ProposalReach& reach);

}  // namespace cot
