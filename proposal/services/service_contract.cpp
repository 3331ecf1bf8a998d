// The header's contract button "Serviço": a proposal of services only, possible while it
// has no product lines_.
#include <utility>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/proposal_model.h"
#include "proposal/header/header_controller.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/services/services_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"

namespace cot {

void ServicesArea::rbtServicoClick() {
    if (syncing_) return;
    ClientTable& p = host_.proposal();
    // A click while the proposal is shown edits it.
    if (lines_.contractClicksCount() && p.state() == DataSetState::Browse && !p.isEmpty()) {
        p.edit();
        host_.setActiveTable(&p);
        // Starting the edit shows the stored contract on the radios again: the choice stands.
        syncing_ = true;
        host_.model().mark(QStringLiteral("S"));
        syncing_ = false;
    }
    // A new proposal has no lines yet.
    if (p.state() == DataSetState::Insert) {
        p[QStringLiteral("IDTIPOPROPFAS")].setAsString(QStringLiteral("S"));
        return;
    }
    // A stored proposal changes its contract only when its lines allow it: read them again.
    if (p.state() != DataSetState::Edit) return;
    ClientTable& lineTable = lines_.lineTable();
    const QString line = lineTable.active() && !lineTable.isEmpty()
                             ? lineTable[QStringLiteral("CDLINPPROPINFOR")].asString()
                             : QString();
    const ProposalKey key = host_.key();
    lineTable.setData(host_.net().getPacket(QStringLiteral("GetLinProd"), {key.nr, key.ver}));
    if (!line.isEmpty()) lineTable.locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
    if (!lineTable.isEmpty()) {
        // Lines of a licence or rental contract decide the proposal's contract.
        const QString contract = p[QStringLiteral("IDTIPOPROPFAS")].oldValue().toString();
        p.cancel();
        lines_.showContract();
        header_.focusContract(contract == QLatin1String("M") ? QStringLiteral("M") : QStringLiteral("L"));
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Tipo_LinPrd_Ja_Cad")));
    }
    // Nothing to convert: the header's save records the contract.
    header_.switchContractOnSave({});
    p[QStringLiteral("IDTIPOPROPFAS")].setAsString(QStringLiteral("S"));
    p.post();
}

}  // namespace cot
