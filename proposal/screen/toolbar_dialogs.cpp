#include "proposal/screen/toolbar_dialogs.h"

#include "data/client_table.h"
#include "dialogs/copy/copy_dialog.h"
#include "dialogs/mode/mode_window.h"
#include "dialogs/report/report_launcher.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/texts/texts_area.h"
#include "ui/buttons.h"
#include "ui/menus.h"

namespace cot::toolbar_dialogs {

namespace {

bool proposalListed(const TfrmPropostaComercial& screen) {
    const ClientTable& list = screen.proposal();
    return list.active() && !list.isEmpty();
}

}  // namespace

void sbtCopiarClick(TfrmPropostaComercial& screen) {
    if (!proposalListed(screen)) return;
    Cli_cot05004::CriaCopiaProposta(screen);
}

void sbtModoProcClick(TfrmPropostaComercial& screen) { Cli_cot05009::CriaModoProc(&screen); }

void sbtImprimirClick(TfrmPropostaComercial& screen) {
    if (!proposalListed(screen)) return;
    screen.net().callChecked(QStringLiteral("AlteraTexto"), {screen.NR(), screen.VER()});
    // A proposal without texts has just been given the standard ones: the texts page,
    // when shown, reads them.
    screen.reloadTexts();
    Cli_cot05001::CriaRelPropostaComercial(screen);
}

void enableEntries(TfrmPropostaComercial& screen, bool busyEditing) {
    const ProposalMenus& m = screen.menus();
    const bool ready = proposalListed(screen) && !busyEditing && !TfrmPadraoGrid::editing(&screen.proposal());
    m.mnuCopiar->setEnabled(ready);
    // Only a proposal not yet accepted can be approved.
    m.mnuAprovacao->setEnabled(ready && screen.proposal()[QStringLiteral("DTACEPROPFAS")].isNull());
    // Sending and the lost mark concern a proposal still open; comparing and the history
    // read what the server holds.
    const bool open = ready && screen.proposal()[QStringLiteral("DTACEPROPFAS")].isNull();
    m.mnuEnviarCliente->setEnabled(open);
    m.mnuPerdida->setEnabled(open);
    m.mnuCompararVersoes->setEnabled(ready);
    m.mnuHistorico->setEnabled(ready);
    m.MododeProcessamento1->setEnabled(true);
    screen.sbtImprimir->setEnabled(ready);
}

}  // namespace cot::toolbar_dialogs
