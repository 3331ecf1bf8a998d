// Confirming and leaving the systems dialog.
#include "data/client_table.h"
#include "dialogs/systems/systems_dialog.h"
#include "dialogs/systems/systems_marks.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/busy_animation.h"

namespace cot {

QString TfrmSistemasLinha::checkedCodes() const { return systems_marks::checkedCodes(*cdsSistemaOrdena); }

// The line as it will be: the systems it already holds (none while it is being inserted)
// and the ones checked now.
QString TfrmSistemasLinha::configurationCodes() const {
    const ClientTable* held = inserting_ ? nullptr : &screen_.lineSystems();
    return systems_marks::configurationCodes(held, *cdsSistemaOrdena);
}

void TfrmSistemasLinha::VerificaLinhaProduto() {
    if (!cdsSistemaOrdena->active() || cdsSistemaOrdena->isEmpty())
        Consiste::MensErro(msgPadrao.Msg(QStringLiteral("SIST_INF")));
    ProposalReach& s = screen_;
    const ClientTable& proposal = s.proposal();
    const ClientTable& line = s.productLines();
    const auto text = [](const ClientTable& t, const char* name) { return t[QString::fromLatin1(name)].asString(); };
    cdsVdLinProd->setData(s.net().getPacket(
        QStringLiteral("GetVdLinProd"),
        {text(proposal, "CDCLIENTE"), text(proposal, "NRPROPOSFAS"), text(proposal, "NRVERPROPFAS"),
         text(line, "CDLINPPROP"), text(line, "IDTIPLINPP"), line[QStringLiteral("NRUSUALINPP")].asFloat(),
         text(line, "IDAMBLINPP"), text(line, "IDLPROCLINPP"), text(line, "IDMPROCLINPP"), configurationCodes()}));
    if (!cdsVdLinProd->isEmpty()) Consiste::MensErro(msgPadrao.Msg(QStringLiteral("LIN_PROD_ERRO")));
}

void TfrmSistemasLinha::writeToLine() {
    ProposalReach& s = screen_;
    const QString nr = s.proposal()[QStringLiteral("NRPROPOSFAS")].asString();
    const QString ver = s.proposal()[QStringLiteral("NRVERPROPFAS")].asString();
    const QString line = s.productLines()[QStringLiteral("CDLINPPROP")].asString();
    BusyScope busy;
    ControlsOff listOff(*cdsSistema), checkedOff(*cdsSistemaOrdena);
    // One system per call, in checking order. Each one written leaves the checked list at
    // once, so confirming again after a refusal further on sends only what is missing.
    while (!cdsSistemaOrdena->isEmpty()) {
        cdsSistemaOrdena->first();
        const QString code = (*cdsSistemaOrdena)[QStringLiteral("CDSISTEMA")].asString();
        s.net().callChecked(QStringLiteral("InsereSistema"), {nr, ver, line, code});
        systems_marks::markWritten(*cdsSistema, *cdsSistemaOrdena);
    }
    cdsSistema->first();
}

void TfrmSistemasLinha::handBackToScreen() {
    screen_.handBackSystems(cdsSistemaOrdena->isEmpty() ? Packet{} : cdsSistemaOrdena->data());
}

void TfrmSistemasLinha::sbtConfirmaClick() {
    VerificaLinhaProduto();
    if (inserting_) handBackToScreen();
    else writeToLine();
    closeWith(mrOk);
}

void TfrmSistemasLinha::sbtCancelClick() {
    giveUp();
    TCheckListDialog::sbtCancelClick();
}

// Leaving without confirming (Cancelar, Esc, the title bar's button) tells a line being
// posted that it has no systems, so it is not saved without them.
void TfrmSistemasLinha::giveUp() {
    screen_.systemsGivenUp();
}

}  // namespace cot
