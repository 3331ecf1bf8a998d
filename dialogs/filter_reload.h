#pragma once
#include <QPointer>
#include <QStringList>

// The proposal list's reload, owned by the proposal filter and used by every screen that
// changes proposals (proposal screen, approval, copy).
namespace cot {

class ProposalReach;
class TfrmFiltroPropComercial;

// The list's filter as the operator left it: the filter dialog, built on its first opening
// and kept (closing only hides it) so its criteria survive between openings, and the search
// box's text. Its owner keeps it while the module is loaded, across proposal screens.
class ListFilter {
public:
    ListFilter() = default;
    ~ListFilter();
    ListFilter(const ListFilter&) = delete;
    ListFilter& operator=(const ListFilter&) = delete;

    // The dialog once built; nullptr before.
    TfrmFiltroPropComercial* dialog() const;
    // The dialog, built now when it never was.
    TfrmFiltroPropComercial& ensureDialog();
    // Frees the dialog and its criteria (module unload).
    void freeDialog();

    // What the list's search box holds: it narrows the list within the filter's criteria,
    // on the server, at the next reload.
    QString search;

private:
    QPointer<TfrmFiltroPropComercial> dialog_;
};

namespace Cli_cot05002 {

// Reloads the screen's list and keeps the current proposal when it is still listed. Once
// the filter has been shown, the filter's criteria apply; before that, the plain list the
// operator may see (no filter dialog needed). The busy animation is shown meanwhile and
// hidden on every path; errors pass on.
void Atualiza_Tela(ProposalReach& screen);

// Shows the screen's filter modally (built on its first opening).
void CriaFiltroPropComercial(ProposalReach& screen);

// The search box's text, trimmed, for the next reload.
void setListSearch(ProposalReach& screen, const QString& text);
QString listSearch(ProposalReach& screen);

// The confirmed criteria in words, one per criterion restricting the list; empty while the
// filter was never used or lists everything.
QStringList activeFilterWords(ProposalReach& screen);

// "Limpar filtro": the filter back to a clean one (its dialog shows it so next time), the
// search emptied and the list reloaded with everything the operator may see.
void clearFilter(ProposalReach& screen);

}  // namespace Cli_cot05002
}  // namespace cot
