#include "dialogs/filter_reload.h"

#include "data/client_table.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/filter_words.h"
#include "proposal/reach/proposal_reach.h"
#include "services/veltrano.h"
#include "ui/busy_animation.h"

namespace cot::Cli_cot05002 {

namespace {

QString& searchText() {
    static QString text;
    return text;
}

}  // namespace

void setListSearch(const QString& text) { searchText() = text.trimmed(); }

QString listSearch() { return searchText(); }

QStringList activeFilterWords() {
    ProposalReach* screen = ProposalReach::open();
    if (!screen || !screen->filterUsed() || !frmFiltroPropComercial) return {};
    return filterWords(frmFiltroPropComercial->Filtro);
}

void clearFilter() {
    ProposalReach* screen = ProposalReach::open();
    if (!screen) return;
    if (frmFiltroPropComercial) {
        frmFiltroPropComercial->Filtro = TFILTRO();
        frmFiltroPropComercial->Atualiza_Filtro(false);
    }
    screen->setFilterUsed(false);
    searchText().clear();
    Atualiza_Tela();
    // Nothing listed: the child tables must not show another proposal's rows.
    if (screen->proposal().isEmpty()) screen->clearAreas();
}

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
        // The search narrows within the filter's criteria, or within everything without them.
        const QString search = listSearch();
        QVariantList auxArguments;
        if (filter || !search.isEmpty()) {
            auxArguments = propostaAuxArguments(filter ? filter->argumentos : filterArguments(TFILTRO()),
                                                Veltrano::FiliProc(), operatorArgument);
            if (!search.isEmpty()) auxArguments << search;
        }
        const Packet rows =
            !auxArguments.isEmpty()
                ? screen->net().getPacket(QStringLiteral("GetPropostaAux"), auxArguments)
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
