#include "dialogs/pipeline/pipeline_launch.h"

#include <QPointer>

#include "dialogs/pipeline/pipeline_window.h"
#include "reach/proposal_reach.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void openPipeline(ProposalReach& reach) {
    // The figures are the server's: what the screen still has unsent goes first.
    reach.sendPending();
    QPointer<TfrmPainelPropostas> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmPainelPropostas>(reach, &reach.dialogParent());
    }
    const ModalOnce<TfrmPainelPropostas> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
