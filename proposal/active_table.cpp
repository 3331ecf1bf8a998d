// Which table the inherited maintenance buttons act on, and the page changes.
#include "data/client_dataset.h"
#include "proposal/product_line_controller.h"
#include "proposal/proposal_screen.h"
#include "proposal/services_controller.h"
#include "proposal/simulation_controller.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/format_panel.h"
#include "ui/menus.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

void TfrmPropostaComercial::wireRouting() {
    const auto route = [this](std::initializer_list<Control*> controls, ClientDataSet* table) {
        for (Control* c : controls) c->onEnter = [this, table] { setActiveTable(table); };
    };
    route({panProp, rbtLuManut, rbtLocacao, rbtServico}, cdsProposta);
    route({dbgLinProd, Panel4}, cdsLinProd);
    route({dbgSistemas}, cdsSistLinhaProd);
    route({Panel2, grbVencimentos, dbgVencimento}, cdsVenc_Valor);
    route({tshServico, tshServicoPrincipal, dbgServico, grbPacote, panServicoControle, scrServico, scbPacote},
          cdsServico);
    route({grbVencimento, dbgVencPacote, panVencServico, panVencPacote}, cdsVencServ);
    route({panObjServico}, cdsObjServico);
    route({dbgSimulacao}, cdsSimulacao);
    route({dbgProdSimulaLinp}, cdsProdSimulaLinp);
    route({dbgDescProp}, cdsMensagem);

    tshDadosCont->onEnter = [this] {
        setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
    };
    panLinProd->onEnter = [this] {
        if (!hasFocus(dbgSistemas) && (!activeTable() || activeTable()->name() != QLatin1String("cdsLinProd")))
            setActiveTable(cdsLinProd);
    };
    // The rich-text editors also take their formatting toolbar.
    dbrObjServico->onEnter = [this] {
        setActiveTable(cdsObjServico);
        fpnObjServico->setEditor(dbrObjServico);
    };
    dreMensagem->onEnter = [this] {
        setActiveTable(cdsMensagem);
        if (!fpnDesc->editor()) fpnDesc->setEditor(dreMensagem);
    };
    dbrObs->onEnter = [this] {
        setActiveTable(cdsObs);
        fpnObs->setEditor(dbrObs);
    };
    dbgPadrao->onEnter = [this] { dtsPadraoStateChange(); };

    for (ClientDataSet* t : {cdsLinProd, cdsVenc_Valor, cdsServico, cdsVencServ, cdsObjServico, cdsObs})
        connect(t, &ClientDataSet::stateChanged, this, [this] { updateEditors(); });
    updateEditors();

    pgcPadrao->onChange = [this] { pgcPadraoChange(); };
    pgcDados->onChange = [this] { pgcDadosChange(); };
    pgcDadosCont->onChange = [this] { pgcDadosContChange(); };
    pgcServicoGeral->onChange = [this] { services->pgcServicoGeralChange(); };
}

void TfrmPropostaComercial::pgcPadraoChange() {
    TTabSheet* page = pgcPadrao->activePage();
    if (page == tshPadrao || (page == tshProposta && !hasFocus(dbgLinProd))) setActiveTable(cdsProposta);
    if (!servicoSomente()) {
        pgcDados->setActivePage(tshDados);
        pgcDadosCont->setActivePage(tshDadosCont);
    } else {
        pgcDados->setActivePage(tshServico);
        pgcServicoGeral->setActivePage(tshServicoPrincipal);
    }
    if (page == tshTexto) {
        setActiveTable(cdsMensagem);
        if (dbgDescProp->canFocus()) dbgDescProp->setFocus();
    } else if (page == tshProposta && pgcDados->activePage() == tshServico) {
        setActiveTable(cdsServico);
        if (!hasFocus(dbgServico) && dbgServico->canFocus()) dbgServico->setFocus();
        services->Gera_ValorPacoteServ();
    } else if (page == tshObs) {
        // The observation's editor is disabled until its table is edited, so it cannot
        // take the focus that would point the buttons at it: the page does.
        setActiveTable(cdsObs);
    } else if (page == tshSimulaLinp && hasFocus(dbgSimulacao)) {
        setActiveTable(cdsSimulacao);
        simulation->TotalGeralSimula();
    }
    cdsPropostaAfterScroll();
}

void TfrmPropostaComercial::pgcDadosChange() {
    // The tab now shown may hold another proposal's rows: load it first.
    cdsPropostaAfterScroll();
    if (pgcDados->activePage() == tshDados) pgcDadosContChange();
}

void TfrmPropostaComercial::pgcDadosContChange() {
    if (pgcDadosCont->activePage() == tshDadosCont) {
        setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
        return;
    }
    if (pgcDadosCont->activePage() != tshFormulario) return;
    setActiveTable(hasFocus(dbgVencimento) ? cdsVenc_Valor : cdsLinProd);
    if (dbeCdLinProd->isEnabled() && dbeCdLinProd->canFocus()) dbeCdLinProd->setFocus();
    else if (dbeNmLinProd->isEnabled() && dbeNmLinProd->canFocus()) dbeNmLinProd->setFocus();
    dtsPadraoStateChange();
    productLine->cdsLinProdAfterScroll();
}

}  // namespace cot
