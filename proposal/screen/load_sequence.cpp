// Loading the proposal under the cursor: each area reads what its shown page needs.
#include "data/client_table.h"
#include "proposal/screen/proposal_screen.h"
#include "ui/page_control.h"

namespace cot {

void TfrmPropostaComercial::cdsPropostaAfterScroll() {
    // A change log the server refused is never replaced by a reload: it goes first (a
    // refusal is shown and ends the load, keeping the rows as the user left them).
    sendPending();
    const ProposalKey current = key();
    for (const auto& a : areas_) a->load(current);

    // A service-only proposal has no product-line page nor simulation.
    const ProposalPages& p = pages_;
    if (servicoSomente()) {
        if (p.pgcDados->activePage() == p.tshDados) p.pgcDados->setActivePage(p.tshServico);
        if (pgcPadrao->activePage() == p.tshSimulaLinp) pgcPadrao->setActivePage(p.tshProposta);
    } else if (p.pgcDados->activePage() == p.tshServico && p.pgcServicoGeral->activePage() == p.tshObjServico) {
        p.pgcServicoGeral->setActivePage(p.tshServicoPrincipal);
    }
    dtsPadraoStateChange();
}

}  // namespace cot
