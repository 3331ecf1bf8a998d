#pragma once

// Screen factories of the module, as the host (and the module's own screens) call them.
namespace cot::Cli_cot05000 {

// Builds the proposal screen once and shows it non-modally; a second call while it exists
// only brings it up again. A failure while building (the server unreachable, say) reaches
// the caller and leaves no screen behind.
void CriaProposta();

}  // namespace cot::Cli_cot05000
