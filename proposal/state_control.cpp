// Menu and button enabling, and the controls of areas not yet open for editing.
#include <QAction>
#include <QStatusBar>

#include "data/client_table.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/proposal_screen.h"
#include "proposal/toolbar_dialogs.h"
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
        if (a->ready()) {
            a->enable(e);
        } else {
            e.incluir = e.alterar = e.excluir = e.procurar = e.cancelar = e.confirmar = false;
            hint = a->name() + QStringLiteral(": ") + msgPadrao.Msg(QStringLiteral("AREAINDISP"));
        }
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
    for (const auto& a : areas_)
        if (a->ready()) a->updateEditors();
}

void TfrmPropostaComercial::settleAreaControls() {
    const QString later = msgPadrao.Msg(QStringLiteral("AREAINDISP"));
    for (const auto& a : areas_)
        if (!a->ready()) area_support::holdBack(a->controls(), a->name() + QStringLiteral(": ") + later);
    // Entries whose dialogs come with later work stay off, saying why.
    const ProposalMenus& m = menus_;
    m.Comisso1->setEnabled(false);
    m.Comisso1->action()->setStatusTip(later);
    area_support::holdBack({m.sbtcomissao, sbtAjuda}, later);
}

}  // namespace cot
