#pragma once

namespace cot {

class ProposalReach;

// "Marcar como Perdida" for the proposal version under the proposal screen's cursor. A
// version already marked lost: asks "A proposta está marcada como perdida. Desmarcar?" and
// removes the mark on Sim. Otherwise opens the "Proposta Perdida" dialog modally, its motive
// and text preset to the client's reason and comment when he declined the version. The list is reloaded on the
// same proposal after a change. Refusals (no proposal, an accepted one, the server's)
// reach the caller.
void openMarkLost(ProposalReach& reach);

}  // namespace cot
