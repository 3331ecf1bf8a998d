#include "dialogs/lost/lost_launch.h"

#include <QPointer>

#include "base/dialogs.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/filter_reload.h"
#include "dialogs/lost/lost_dialog.h"
#include "reach/proposal_reach.h"
#include "ui/busy_animation.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void openMarkLost(ProposalReach& reach) {
    reach.sendPending();
    const ProposalKey key = reach.key();
    if (!proposal_key::isNumber(key.nr.trimmed()) || !proposal_key::isVersion(key.ver.trimmed()))
        throw UserError(QStringLiteral("Nenhuma proposta selecionada."));

    Packet state;
    {
        HourGlass hourGlass;
        state = reach.net().getPacket(QStringLiteral("GetDecisaoCliente"), {key.nr, key.ver});
    }
    const auto value = [&](const char* field) {
        return state.rows.isEmpty() ? QVariant() : state.value(0, QString::fromLatin1(field));
    };
    if (!value("DTPERDA").isNull()) {
        if (Dialogs::current().messageDlg(QStringLiteral("A proposta está marcada como perdida. Desmarcar?"),
                                          DialogType::Confirmation, mbYes | mbNo) != mrYes)
            return;
        {
            BusyScope busy;
            reach.net().callChecked(QStringLiteral("DesmarcarPerdida"), {key.nr, key.ver});
        }
        Cli_cot05002::Atualiza_Tela(reach);
        return;
    }
    if (!reach.proposal()[QStringLiteral("DTACEPROPFAS")].isNull())
        throw UserError(QStringLiteral("A proposta já foi aceita."));

    // The client's reason and comment when he declined it on his page, to be kept with the loss.
    LostStart start;
    if (value("IDDECISAO").toString().trimmed() == QLatin1String("R"))
        start = {value("IDMOTIVO").toString(), value("TXCOMENTARIO").toString()};
    QPointer<TfrmPropostaPerdida> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmPropostaPerdida>(reach, key, start, &reach.dialogParent());
    }
    const ModalOnce<TfrmPropostaPerdida> once(dialog);
    dialog->ShowModal();
}

}  // namespace cot
