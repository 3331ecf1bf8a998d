#include "dialogs/compare/version_compare_launch.h"

#include <QPointer>

#include "base/dialogs.h"
#include "dialogs/compare/version_compare_window.h"
#include "reach/proposal_reach.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void openVersionCompare(ProposalReach& reach) {
    // The comparison reads what the server holds: what the screen still has unsent goes first.
    reach.sendPending();
    const ProposalKey key = reach.key();
    if (key.nr.trimmed().isEmpty() || key.ver.trimmed().isEmpty()) return;
    if (TfrmComparaVersoes::versionsOf(reach.proposal(), key.nr).size() < 2) {
        Dialogs::current().information(QStringLiteral("A proposta tem uma só versão."));
        return;
    }
    QPointer<TfrmComparaVersoes> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmComparaVersoes>(reach, &reach.dialogParent());
    }
    const ModalOnce<TfrmComparaVersoes> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
