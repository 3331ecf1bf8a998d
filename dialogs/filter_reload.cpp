#include "dialogs/filter_reload.h"

#include "data/client_table.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/filter_words.h"
#include "reach/proposal_reach.h"
#include "services/session.h"
#include "ui/busy_animation.h"

namespace cot {

ListFilter::~ListFilter() { freeDialog(); }

void ListFilter::freeDialog() { delete dialog_.data(); }

TfrmFiltroPropComercial* ListFilter::dialog() const { return dialog_.data(); }

TfrmFiltroPropComercial& ListFilter::ensureDialog() {
    if (!dialog_) dialog_ = createForm<TfrmFiltroPropComercial>();
    return *dialog_;
}

namespace Cli_cot05002 {

void setListSearch(ProposalReach& screen, const QString& text) { screen.listFilter().search = text.trimmed(); }

QString listSearch(ProposalReach& screen) { return screen.listFilter().search; }

QStringList activeFilterWords(ProposalReach& screen) {
    const TfrmFiltroPropComercial* filter = screen.listFilter().dialog();
    if (!screen.filterUsed() || !filter) return {};
    return filterWords(filter->Filtro);
}

void clearFilter(ProposalReach& screen) {
    ListFilter& kept = screen.listFilter();
    if (TfrmFiltroPropComercial* filter = kept.dialog()) {
        filter->Filtro = TFILTRO();
        filter->Atualiza_Filtro(false);
    }
    screen.setFilterUsed(false);
    kept.search.clear();
    Atualiza_Tela(screen);
    // Nothing listed: the child tables must not show another proposal's rows.
    if (screen.proposal().isEmpty()) screen.clearAreas();
}

void Atualiza_Tela(ProposalReach& screen) {
    // The filter's confirmed criteria apply once it has been shown (never what its controls
    // hold: that may be a change left without confirming); before that no dialog is needed.
    TfrmFiltroPropComercial* filter = screen.filterUsed() ? screen.listFilter().dialog() : nullptr;
    if (filter) filter->argumentos = filterArguments(filter->Filtro);

    BusyScope busy;
    ClientTable& list = screen.proposal();
    const QString nr = screen.key().nr;
    const QString ver = screen.key().ver;
    screen.withoutAfterScroll([&] {
        // Operators of a group authorised for proposals see every operator's proposals.
        const bool all = screen.listsWholeBranch();
        const QString operatorArgument = all ? QStringLiteral("T") : Session::instance().operatorCode();
        // The search narrows within the filter's criteria, or within everything without them.
        const QString search = listSearch(screen);
        QVariantList auxArguments;
        if (filter || !search.isEmpty()) {
            auxArguments = propostaAuxArguments(filter ? filter->argumentos : filterArguments(TFILTRO()),
                                                Session::instance().branch(), operatorArgument);
            if (!search.isEmpty()) auxArguments << search;
        }
        const Packet rows =
            !auxArguments.isEmpty()
                ? screen.net().getPacket(QStringLiteral("GetPropostaAux"), auxArguments)
                : screen.net().getPacket(QStringLiteral("GetProposta"), {Session::instance().branch(), operatorArgument});
        list.setData(rows);
    });
    if (!nr.isEmpty()) list.locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {nr, ver}, loCaseInsensitive);
}

void CriaFiltroPropComercial(ProposalReach& screen) { screen.listFilter().ensureDialog().showFor(screen); }

}  // namespace Cli_cot05002
}  // namespace cot
