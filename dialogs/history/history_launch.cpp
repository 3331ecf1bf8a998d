#include "dialogs/history/history_launch.h"

#include <QPointer>

#include "base/errors.h"
#include "dialogs/history/history_dialog.h"
#include "proposal/reach/proposal_reach.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void openProposalHistory(ProposalReach& reach) {
    reach.sendPending();
    const ProposalKey key = reach.key();
    if (!proposal_key::isNumber(key.nr.trimmed()) || !proposal_key::isVersion(key.ver.trimmed()))
        throw UserError(QStringLiteral("Nenhuma proposta selecionada."));
    QPointer<TfrmHistoricoProposta> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmHistoricoProposta>(reach.net(), key, &reach.dialogParent());
    }
    const ModalOnce<TfrmHistoricoProposta> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
