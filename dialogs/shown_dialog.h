#pragma once
#include <QWidget>

#include "reach/proposal_reach.h"

namespace cot {

// The dialog of kind `Dialog` the screen shows now, or nullptr: the screen owns the dialogs
// opened on it, so one already up is found among them and brought up instead of a second.
template <class Dialog>
Dialog* shownDialog(ProposalReach& screen) {
    for (Dialog* d : screen.dialogParent().findChildren<Dialog*>(Qt::FindDirectChildrenOnly))
        if (d->isVisible()) return d;
    return nullptr;
}

}  // namespace cot
