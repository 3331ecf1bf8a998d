#pragma once

namespace cot {

class ProposalReach;

// Opens the history of the proposal version under the proposal screen's cursor, modally.
// Changes the screen has not sent yet are sent first, so the history includes them; a
// refusal of that send, or of the reading, reaches the caller and opens no window.
void openProposalHistory(ProposalReach& reach);

}  // namespace cot
