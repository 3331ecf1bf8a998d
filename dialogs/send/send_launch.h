#pragma once

namespace cot {

class ProposalReach;

// Opens "Enviar ao Cliente" for the proposal version under the screen's cursor: the
// screen's pending changes are sent first, so the client gets the proposal as stored.
// Shown modally and freed afterwards; failures while opening reach the caller.
void openSendToClient(ProposalReach& reach);

}  // namespace cot
