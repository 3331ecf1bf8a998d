// Aprovação on the proposal screen: the approval of the proposal under the cursor opens
// only once it has passed every check of the launch.
#include "approval/approval_checks.h"
#include "proposal/proposal_screen.h"

namespace cot::approval_launch {

void sbtAprovacaoClick(TfrmPropostaComercial& screen) {
    if (!ApprovalChecks(screen).run()) return;
    // The approval dialog (CriaAprovacao) opens here once it is built; until then the
    // entries that reach this handler stay disabled.
}

}  // namespace cot::approval_launch
