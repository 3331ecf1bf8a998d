#pragma once

namespace cot {

class TfrmPropostaComercial;

// Toolbar and menu handlers of the proposal screen that open the module's dialogs on it:
// copy to a new version, the processing-mode picture (kept by the screen once built) and
// the proposal report (approval has its own launch, approval_launch). Each dialog belongs
// to the screen while it is open.
namespace toolbar_dialogs {

void sbtCopiarClick(TfrmPropostaComercial& screen);
void sbtModoProcClick(TfrmPropostaComercial& screen);
// The server brings the proposal's texts up to date (AlteraTexto) before the report reads
// them; then the report launcher opens.
void sbtImprimirClick(TfrmPropostaComercial& screen);

// Copy, print and approval need a listed proposal with nothing being edited or waiting to
// be sent (approval: one not yet accepted); the picture is always there.
void enableEntries(TfrmPropostaComercial& screen, bool busyEditing);

}  // namespace toolbar_dialogs

}  // namespace cot
