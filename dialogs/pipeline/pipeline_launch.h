#pragma once

namespace cot {

class ProposalReach;

// "Painel de Propostas" of the proposal screen's "Opções" menu: opens the pipeline window
// on the branch in use, for the last twelve months.
void openPipeline(ProposalReach& reach);

}  // namespace cot
