// The mandatory services a proposal to a prospect must quote before it is approved.
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/services/services_area.h"
#include "rpc/net_connection.h"
#include "services/load_bpl.h"
#include "services/messages.h"
#include "ui/busy_animation.h"

namespace cot {

void ServicesArea::Verifica_Servico() {
    const ClientTable& p = host_.proposal();
    // Only a proposal to a prospect must quote them.
    if (p[QStringLiteral("IDCLIENPROSP")].asString() != QLatin1String("P")) return;
    // The server lists the mandatory types the proposal still lacks.
    const ProposalKey key = host_.key();
    cdsTipoServObr->setData(host_.net().getPacket(QStringLiteral("GetTipoServObr"), {key.nr, key.ver}));
    if (cdsTipoServObr->isEmpty()) return;
    // The missing services are listed under the message.
    LoadBPL(QStringLiteral("COT00900"),
            {tableReference(*cdsTipoServObr), host_.messages().Msg(QStringLiteral("SERV_OBR_NOT_CAD")), true});
    // They may be imported, one call per type.
    if (host_.messages().ShowMsg(QStringLiteral("SERV_CAD_AUTO"), DialogType::Confirmation, mbYes | mbNo) == mrYes) {
        BusyScope busy;
        for (int r = 0; r < cdsTipoServObr->rowCount(); ++r) {
            ClientTable::RowView row(*cdsTipoServObr, r);
            host_.net().callChecked(QStringLiteral("InsereServicoAuto"),
                                 {key.nr, key.ver, (*cdsTipoServObr)[QStringLiteral("CDTIPOSERV")].asString(), QString()});
        }
        host_.proposalChanged();
    }
    // The approval does not open either way.
    throw Abort();
}

}  // namespace cot
