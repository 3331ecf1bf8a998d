#pragma once

namespace cot {

class TfrmPropostaComercial;

// Toolbar and menu handlers of the proposal screen that open the module's dialogs: copy to
// a new version, the processing-mode picture and the proposal report.
namespace toolbar_dialogs {

void sbtCopiarClick(TfrmPropostaComercial& screen);
void sbtModoProcClick(TfrmPropostaComercial& screen);
// The server brings the proposal's texts up to date (AlteraTexto) before the report reads
// them; then the report launcher opens.
void sbtImprimirClick(TfrmPropostaComercial& screen);

// Copy and print need a listed proposal with nothing being edited or waiting to be sent;
// the picture is always there.
void enableEntries(TfrmPropostaComercial& screen, bool busyEditing);

}  // namespace toolbar_dialogs

}  // namespace cot
