#include "dialogs/filter_reload.h"

#include "data/client_table.h"
#include "dialogs/filter_dialog.h"
#include "proposal/reach/proposal_reach.h"
#include "services/veltrano.h"
#include "ui/busy_animation.h"

namespace cot::Cli_cot05002 {

void Atualiza_Tela() {
    ProposalReach* screen = ProposalReach::open();
    if (!screen) return;
    // The filter's confirmed criteria apply once it has been shown (never what its controls
    // hold: that may be a change left without confirming); before that no dialog is needed.
    TfrmFiltroPropComercial* filter = screen->filterUsed() ? frmFiltroPropComercial.data() : nullptr;
    if (filter) filter->argumentos = filterArguments(filter->Filtro);

    BusyScope busy;
    ClientTable& list = screen->proposal();
    const QString nr = screen->key().nr;
    const QString ver = screen->key().ver;
    screen->withoutAfterScroll([&] {
        // Operators of a group authorised for proposals see every operator's proposals.
        const bool all = screen->listsWholeBranch();
        const QString operatorArgument = all ? QStringLiteral("T") : Veltrano::Operador();
        const Packet rows =
            filter ? screen->net().getPacket(
                         QStringLiteral("GetPropostaAux"),
                         propostaAuxArguments(filter->argumentos, Veltrano::FiliProc(), operatorArgument))
                   : screen->net().getPacket(QStringLiteral("GetProposta"), {Veltrano::FiliProc(), operatorArgument});
        list.setData(rows);
    });
    if (!nr.isEmpty()) list.locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {nr, ver}, loCaseInsensitive);
}

void CriaFiltroPropComercial() {
    // Kept while the module is loaded, also across proposal screens, so its criteria
    // survive; the module's unload frees it.
    if (!frmFiltroPropComercial) frmFiltroPropComercial = createForm<TfrmFiltroPropComercial>();
    frmFiltroPropComercial->ShowModal();
}

}  // namespace cot::Cli_cot05002
