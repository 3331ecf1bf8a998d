#include "dialogs/send/send_launch.h"

#include <QPointer>

#include "dialogs/send/send_dialog.h"
#include "reach/proposal_reach.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void openSendToClient(ProposalReach& reach) {
    // What the screen still holds unsent would otherwise be missing from the PDF and from
    // the content the client's page compares with.
    reach.sendPending();
    const ProposalKey key = reach.key();
    if (key.nr.trimmed().isEmpty() || key.ver.trimmed().isEmpty()) return;
    QPointer<TfrmEnviarCliente> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmEnviarCliente>(reach, &reach.dialogParent());
    }
    const ModalOnce<TfrmEnviarCliente> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
