#pragma once

namespace cot {
class TfrmPropostaComercial;
}

// Screen factories of the module, as the host (and the module's own screens) call them.
// The factory owns what it builds while the module is loaded: the proposal screen and the
// list's filter, which outlives the screen so its criteria are there for the next one.
namespace cot::Cli_cot05000 {

// Builds the proposal screen once and shows it non-modally; a second call while it exists
// only brings it up again. A failure while building (the server unreachable, say) reaches
// the caller and leaves no screen behind.
void CriaProposta();

// The proposal screen while it is open; nullptr before, and from its closing on.
TfrmPropostaComercial* proposalScreen();

// Frees the screen and the kept filter (module unload): nothing of the module may outlive
// its code.
void releaseAll();

}  // namespace cot::Cli_cot05000
