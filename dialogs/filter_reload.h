#pragma once
#include <QStringList>

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

// What the list's search box holds (kept with the filter while the module is loaded): it
// narrows the list within the filter's criteria, on the server, at the next reload.
void setListSearch(const QString& text);
QString listSearch();

// The confirmed criteria in words, one per criterion restricting the list; empty while the
// filter was never used or lists everything.
QStringList activeFilterWords();

// "Limpar filtro": the filter back to a clean one (its dialog shows it so next time), the
// search emptied and the list reloaded with everything the operator may see.
void clearFilter();

}  // namespace cot::Cli_cot05002
