#include "dialogs/history/history_launch.h"

#include <QPointer>

#include "base/errors.h"
#include "dialogs/history/history_dialog.h"
#include "reach/proposal_reach.h"
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
        // The screen's own tables name and format the fields the history lists.
        HistoryFields fields;
        fields.add(QStringLiteral("PROPOSTAFAS"), reach.proposal());
        fields.add(QStringLiteral("LINPPROP"), reach.productLines());
        fields.add(QStringLiteral("SISTLINPPROP"), reach.lineSystems());
        fields.add(QStringLiteral("VENCLINPPROP"), reach.lineSchedule());
        fields.add(QStringLiteral("SERVPROP"), reach.services());
        dialog = createForm<TfrmHistoricoProposta>(reach.net(), key, std::move(fields), &reach.dialogParent());
    }
    const ModalOnce<TfrmHistoricoProposta> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
