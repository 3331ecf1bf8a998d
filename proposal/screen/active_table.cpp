// Page changes: the areas whose page is now shown point the maintenance buttons at their
// tables, then the load sequence reads what the pages show.
#include "data/client_table.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/screen/proposal_screen.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::wirePages() {
    dbgPadrao->onEnter = [this] { dtsPadraoStateChange(); };
    for (const auto& a : areas_)
        for (ClientTable* t : a->tables())
            connect(t, &ClientTable::stateChanged, this, [this] { updateEditors(); });
    updateEditors();

    pgcPadrao->onChange = [this] { pgcPadraoChange(); };
    pages_.pgcDados->onChange = [this] { pgcDadosChange(); };
    pages_.pgcDadosCont->onChange = [this] { pgcDadosContChange(); };
    pages_.pgcServicoGeral->onChange = [this] { pgcServicoGeralChange(); };
}

void TfrmPropostaComercial::pgcPadraoChange() {
    const ProposalPages& p = pages_;
    TTabSheet* page = pgcPadrao->activePage();
    if (page == tshPadrao || (page == p.tshProposta && !(*linesArea_).gridFocused()))
        setActiveTable(cdsProposta);
    if (!servicoSomente()) {
        p.pgcDados->setActivePage(p.tshDados);
        p.pgcDadosCont->setActivePage(p.tshDadosCont);
    } else {
        p.pgcDados->setActivePage(p.tshServico);
        p.pgcServicoGeral->setActivePage(p.tshServicoPrincipal);
    }
    for (const auto& a : areas_) a->pageShown();
    cdsPropostaAfterScroll();
}

void TfrmPropostaComercial::pgcDadosChange() {
    // The tab now shown may hold another proposal's rows: load it first.
    cdsPropostaAfterScroll();
    if (pages_.pgcDados->activePage() == pages_.tshDados) pgcDadosContChange();
    else
        for (const auto& a : areas_) a->pageShown();
}

void TfrmPropostaComercial::pgcDadosContChange() { (*linesArea_).pgcDadosContChange(); }

void TfrmPropostaComercial::pgcServicoGeralChange() {
    cdsPropostaAfterScroll();
    for (const auto& a : areas_) a->pageShown();
}

}  // namespace cot
