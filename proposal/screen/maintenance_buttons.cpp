// The maintenance buttons of the proposal screen: the base's behaviour on the active
// table, with each area's part.
#include "base/dialogs.h"
#include "data/client_table.h"
#include "dialogs/filter_reload.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/screen/proposal_screen.h"
#include "services/consiste.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::sbtIncluirClick() {
    forgetPartyCheck();
    if (pgcPadrao->activePage() == tshPadrao && !hasFocus(dbgPadrao)) showPage(pages_.tshProposta);
    TfrmPadraoGrid::sbtIncluirClick();
    if (ProposalArea* a = areaOf(activeTable())) a->afterInclude();
}

void TfrmPropostaComercial::sbtAlterarClick() {
    TfrmPadraoGrid::sbtAlterarClick();
    forgetPartyCheck();
}

void TfrmPropostaComercial::sbtExcluirClick() {
    TfrmPadraoGrid::sbtExcluirClick();
    forgetPartyCheck();
    if (ProposalArea* a = areaOf(activeTable())) a->afterDelete();
}

void TfrmPropostaComercial::sbtConfirmarClick() {
    // The areas' checks (installments on distinct days...).
    for (const auto& a : areas_) a->beforeConfirm();
    // Post the active table (its after-post sends it); a change log the server refused
    // before is sent again.
    TfrmPadraoGrid::sbtConfirmarClick();
    if (ChildTableSave* save = saveOf(activeTable())) save->send();
    // Reload the list, keeping the current proposal.
    Cli_cot05002::Atualiza_Tela(*this);
    // The next edit tests the client's situation again.
    forgetPartyCheck();
}

void TfrmPropostaComercial::sbtCancelarClick() {
    ClientTable* active = activeTable();
    ProposalArea* a = areaOf(active);
    if (!a || !a->cancel()) {
        ChildTableSave* save = saveOf(active);
        if (save && save->pending() && !active->isEditing()) {
            // Giving up what the server refused: the rows go back to what it holds.
            if (msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
                return;
            active->cancelUpdates();
        } else {
            TfrmPadraoGrid::sbtCancelarClick();
        }
    }
    if (!activeTable() || !activeTable()->isEditing()) {
        if (servicoSomente()) pages_.pgcDados->setActivePage(pages_.tshServico);
        cdsPropostaAfterScroll();
    }
    forgetPartyCheck();
}

// Verify brings what the user is looking at up to date with the server: the list on the
// list page, else the table whose grid has the focus (each area knows its own). What is
// being edited or not yet taken by the server is never read over; the user is told.
void TfrmPropostaComercial::sbtVerificarClick() {
    TfrmPadraoGrid::sbtVerificarClick();
    forgetPartyCheck();
    QStringList kept;
    if (pgcPadrao->activePage() == tshPadrao &&
        area_support::reloadable(*this, {cdsProposta}, msgPadrao.Msg(QStringLiteral("Proposta")), kept)) {
        openGrupo();
        Cli_cot05002::Atualiza_Tela(*this);
        cdsParamPerc->setData(netProposta.getPacket(QStringLiteral("GetParamPerc")));
    }
    for (const auto& a : areas_) a->verify(kept);
    if (!kept.isEmpty())
        Dialogs::current().information(msgPadrao.Msg(QStringLiteral("VERIF_MANTIDO")).arg(kept.join(QStringLiteral(", "))));
}

void TfrmPropostaComercial::sbtFiltroClick() {
    Cli_cot05002::CriaFiltroPropComercial(*this);
    if (pgcPadrao->activePage() != tshPadrao) {
        showPage(tshPadrao);
        pgcPadraoChange();
    }
    if (dbgPadrao->canFocus()) dbgPadrao->setFocus();
}

}  // namespace cot
