// Switching the proposal's contract between LU/Manutenção and Locação. The lines already
// stored are converted by the server together with the header's save, in one transaction:
// the proposal is never left half converted, and a refusal changes nothing.
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/header/header_controller.h"
#include "proposal/product_lines/product_line_area.h"
#include "rpc/net_connection.h"
#include "services/messages.h"

namespace cot {

void ProductLineArea::rbtContratoClick(const QString& code) {
    if (syncingRadios_) return;
    ClientTable& p = host_.proposal();
    // A click while the proposal is shown edits it.
    if (boTesta && p.state() == DataSetState::Browse && !p.isEmpty()) {
        p.edit();
        host_.setActiveTable(&p);
        // Starting the edit reloads what the form shows, radios included: the click stands.
        checkContract(code);
    }
    // A new proposal has no lines yet.
    if (p.state() == DataSetState::Insert) {
        p["IDTIPOPROPFAS"].setAsString(code);
        Controla_Formulario();
        return;
    }
    if (p.state() != DataSetState::Edit) return;
    const QString stored = p["IDTIPOPROPFAS"].oldValue().toString();
    if (stored == code) {
        header_.switchContractOnSave({});
        p["IDTIPOPROPFAS"].setAsString(code);
        return;
    }
    // Stored lines are converted: the user confirms first.
    cdsLinProd->setData(host_.net().getPacket(QStringLiteral("GetLinProd"), {host_.key().nr, host_.key().ver}));
    if (!cdsLinProd->isEmpty()) {
        const QString key = code == QLatin1String("M") ? QStringLiteral("Tip_Manut") : QStringLiteral("Tip_Lin");
        if (host_.messages().ShowMsg(key, DialogType::Confirmation, mbYes | mbNo) != mrYes) {
            // Refused: the proposal's pending changes are undone and its contract shown again.
            p.cancel();
            showContract();
            header_.focusContract(code == QLatin1String("M") ? QStringLiteral("L") : QStringLiteral("M"));
            throw Abort();
        }
    }
    p["IDTIPOPROPFAS"].setAsString(code);
    header_.switchContractOnSave(code);
    p.post();
    // What the server converted: the lines, the current line's schedule and the form.
    reloadLines();
    Controla_Formulario();
}

}  // namespace cot
