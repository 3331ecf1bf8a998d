// Aprovação on the proposal screen: the approval of the proposal under the cursor opens
// only once it has passed every check of the launch.
#include "approval/approval_checks.h"
#include "approval/dialog/approval_dialog.h"
#include "reach/proposal_reach.h"

namespace cot::approval_launch {

void sbtAprovacaoClick(ProposalReach& screen) {
    if (!ApprovalChecks(screen).run()) return;
    Cli_cot05003::CriaAprovacao(screen);
}

}  // namespace cot::approval_launch
