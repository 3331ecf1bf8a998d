// The header's contract button "Serviço": a proposal of services only, possible while it
// has no product lines.
#include <utility>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/services/services_area.h"
#include "services/consiste.h"
#include "ui/buttons.h"

namespace cot {

void ServicesArea::rbtServicoClick() {
    if (syncing_) return;
    ClientTable& p = s_.proposal();
    HeaderController& header = s_.area<HeaderController>();
    ProductLineArea& lines = s_.area<ProductLineArea>();
    // A click while the proposal is shown edits it.
    if (lines.contractClicksCount() && p.state() == DataSetState::Browse && !p.isEmpty()) {
        p.edit();
        s_.setActiveTable(&p);
        // Starting the edit shows the stored contract on the radios again: the click stands.
        syncing_ = true;
        header.rbtServico->setChecked(true);
        syncing_ = false;
    }
    // A new proposal has no lines yet.
    if (p.state() == DataSetState::Insert) {
        p[QStringLiteral("IDTIPOPROPFAS")].setAsString(QStringLiteral("S"));
        return;
    }
    // A stored proposal changes its contract only when its lines allow it: read them again.
    if (p.state() != DataSetState::Edit) return;
    ClientTable& lineTable = *lines.cdsLinProd;
    const QString line = lineTable.active() && !lineTable.isEmpty()
                             ? lineTable[QStringLiteral("CDLINPPROPINFOR")].asString()
                             : QString();
    lineTable.setData(s_.net().getPacket(QStringLiteral("GetLinProd"), {s_.NR(), s_.VER()}));
    if (!line.isEmpty()) lineTable.locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
    if (!lineTable.isEmpty()) {
        // Lines of a licence or rental contract decide the proposal's contract.
        const QString contract = p[QStringLiteral("IDTIPOPROPFAS")].oldValue().toString();
        p.cancel();
        lines.showContract();
        TRadioButton* back = contract == QLatin1String("M") ? header.rbtLuManut : header.rbtLocacao;
        if (back->canFocus()) back->setFocus();
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("Tipo_LinPrd_Ja_Cad")));
    }
    // Nothing to convert: the header's save records the contract.
    header.contractSwitch.clear();
    p[QStringLiteral("IDTIPOPROPFAS")].setAsString(QStringLiteral("S"));
    p.post();
}

}  // namespace cot
