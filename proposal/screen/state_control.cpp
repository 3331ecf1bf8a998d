// Menu and button enabling, and the form controls that follow the edited table.
#include <QStatusBar>

#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/screen/toolbar_dialogs.h"
#include "ui/buttons.h"
#include "ui/menus.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::dtsPadraoStateChange() {
    // The base screen first enables its entries for the state of the active table; the
    // list, or the area whose table is active, then settles the rest.
    TfrmPadraoGrid::dtsPadraoStateChange();
    if (!menus_.mnuOpcoes || areas_.empty()) return;  // still being built
    MaintenanceEnabling e{mnuIncluir->enabled(), mnuAlterar->enabled(), mnuExcluir->enabled(),
                          mnuProcurar->enabled(), mnuVerificar->enabled(), mnuCancelar->enabled(),
                          mnuConfirmar->enabled()};
    QString hint;
    ClientTable* active = activeTable();
    if (pgcPadrao->activePage() == tshPadrao) {
        listEnabling(e);
    } else if (ProposalArea* a = areaOf(active)) {
        a->enable(e);
    }
    // A change log the server refused stays visibly pending: Confirmar sends it again,
    // Cancelar gives it up.
    if (ChildTableSave* save = saveOf(active); save && save->pending() && !active->isEditing()) {
        e.confirmar = e.cancelar = true;
        hint = msgPadrao.Msg(QStringLiteral("ALTPEND"));
    }
    applyEnabling(e);
    // The services' objective is kept for service-only proposals alone: elsewhere its
    // entry and its tab are off rather than leading back to the services.
    const bool objective = servicoSomente();
    menus_.mnuObjServico->setEnabled(objective);
    pages_.tshObjServico->setTabVisible(objective);
    toolbar_dialogs::enableEntries(*this, e.cancelar || e.confirmar || editing());
    statusBar()->showMessage(hint);
}

void TfrmPropostaComercial::listEnabling(MaintenanceEnabling& e) const {
    // The list is read-only: proposals are included and changed on the form page.
    e.alterar = e.excluir = e.cancelar = e.confirmar = false;
    e.procurar = cdsProposta->active() && !cdsProposta->isEmpty();
    e.verificar = true;
    e.filtro = true;
}

void TfrmPropostaComercial::applyEnabling(const MaintenanceEnabling& e) {
    mnuIncluir->setEnabled(e.incluir);
    mnuAlterar->setEnabled(e.alterar);
    mnuExcluir->setEnabled(e.excluir);
    mnuProcurar->setEnabled(e.procurar);
    mnuVerificar->setEnabled(e.verificar);
    mnuCancelar->setEnabled(e.cancelar);
    mnuConfirmar->setEnabled(e.confirmar);
    menus_.mnuFiltro->setEnabled(e.filtro);
    menus_.mnuRegeraTexto->setEnabled(e.regeraTexto);
}

void TfrmPropostaComercial::updateEditors() {
    for (const auto& a : areas_) a->updateEditors();
}

}  // namespace cot
