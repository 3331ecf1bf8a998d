#pragma once

// The proposal list's reload, owned by the proposal filter and used by every screen that
// changes proposals (proposal screen, approval, copy).
namespace cot::Cli_cot05002 {

// Reloads the proposal screen's list and keeps the current proposal when it is still
// listed. Once the filter has been shown, the filter's criteria apply; before that, the
// plain list the operator may see (no filter dialog needed). The busy animation is shown
// meanwhile and hidden on every path; errors pass on. Does nothing without the screen.
void Atualiza_Tela();

// Creates the filter once and shows it modally.
void CriaFiltroPropComercial();

}  // namespace cot::Cli_cot05002
