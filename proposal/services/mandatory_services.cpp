// The mandatory services a proposal to a prospect must quote before it is approved.
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/services/services_area.h"
#include "services/load_bpl.h"
#include "ui/busy_animation.h"

namespace cot {

void ServicesArea::Verifica_Servico() {
    const ClientTable& p = s_.proposal();
    // Only a proposal to a prospect must quote them.
    if (p[QStringLiteral("IDCLIENPROSP")].asString() != QLatin1String("P")) return;
    // The server lists the mandatory types the proposal still lacks.
    cdsTipoServObr->setData(s_.net().getPacket(QStringLiteral("GetTipoServObr"), {s_.NR(), s_.VER()}));
    if (cdsTipoServObr->isEmpty()) return;
    // The missing services are listed under the message.
    LoadBPL(QStringLiteral("COT00900"),
            {tableReference(*cdsTipoServObr), s_.msgPadrao.Msg(QStringLiteral("SERV_OBR_NOT_CAD")), true});
    // They may be imported, one call per type.
    if (s_.msgPadrao.ShowMsg(QStringLiteral("SERV_CAD_AUTO"), DialogType::Confirmation, mbYes | mbNo) == mrYes) {
        BusyScope busy;
        for (int r = 0; r < cdsTipoServObr->rowCount(); ++r) {
            ClientTable::RowView row(*cdsTipoServObr, r);
            s_.net().callChecked(QStringLiteral("InsereServicoAuto"),
                                 {s_.NR(), s_.VER(), (*cdsTipoServObr)[QStringLiteral("CDTIPOSERV")].asString(), QString()});
        }
        s_.proposalChanged();
    }
    // The approval does not open either way.
    throw Abort();
}

}  // namespace cot
