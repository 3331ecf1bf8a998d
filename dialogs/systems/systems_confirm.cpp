// Confirming and leaving the systems dialog.
#include "data/client_table.h"
#include "dialogs/systems/systems_dialog.h"
#include "dialogs/systems/systems_marks.h"
#include "proposal/cli_cot05000.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/proposal_screen.h"
#include "services/consiste.h"
#include "ui/busy_animation.h"

namespace cot {

using namespace Cli_cot05005;

QString TfrmIncluServ::checkedCodes() const { return systems_marks::checkedCodes(*cdsSistemaOrdena); }

// The line as it will be: the systems it already holds (none while it is being inserted)
// and the ones checked now.
QString TfrmIncluServ::configurationCodes() const {
    const ClientTable* held = boIncLinProd ? nullptr : lineSystems().cdsSistLinhaProd;
    return systems_marks::configurationCodes(held, *cdsSistemaOrdena);
}

void TfrmIncluServ::VerificaLinhaProduto() {
    if (!cdsSistemaOrdena->active() || cdsSistemaOrdena->isEmpty())
        Consiste::MensErro(msgPadrao.Msg(QStringLiteral("SIST_INF")));
    TfrmPropostaComercial& s = proposalScreen();
    const ClientTable& proposal = s.proposal();
    const ClientTable& line = *lines().cdsLinProd;
    const auto text = [](const ClientTable& t, const char* name) { return t[QString::fromLatin1(name)].asString(); };
    cdsVdLinProd->setData(s.net().getPacket(
        QStringLiteral("GetVdLinProd"),
        {text(proposal, "CDCLIENTE"), text(proposal, "NRPROPOSFAS"), text(proposal, "NRVERPROPFAS"),
         text(line, "CDLINPPROP"), text(line, "IDTIPLINPP"), line[QStringLiteral("NRUSUALINPP")].asFloat(),
         text(line, "IDAMBLINPP"), text(line, "IDLPROCLINPP"), text(line, "IDMPROCLINPP"), configurationCodes()}));
    if (!cdsVdLinProd->isEmpty()) Consiste::MensErro(msgPadrao.Msg(QStringLiteral("LIN_PROD_ERRO")));
}

void TfrmIncluServ::writeToLine() {
    TfrmPropostaComercial& s = proposalScreen();
    const QString nr = s.proposal()[QStringLiteral("NRPROPOSFAS")].asString();
    const QString ver = s.proposal()[QStringLiteral("NRVERPROPFAS")].asString();
    const QString line = (*lines().cdsLinProd)[QStringLiteral("CDLINPPROP")].asString();
    BusyScope busy;
    systems_marks::ControlsOff listOff(*cdsSistema), checkedOff(*cdsSistemaOrdena);
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

void TfrmIncluServ::handBackToScreen() {
    ClientTable& handBack = *lines().cdsSistema;
    if (handBack.active()) handBack.emptyDataSet();
    else handBack.createDataSet();
    if (!cdsSistemaOrdena->isEmpty()) handBack.setData(cdsSistemaOrdena->data());
}

void TfrmIncluServ::sbtConfirmaClick() {
    VerificaLinhaProduto();
    if (boIncLinProd) handBackToScreen();
    else writeToLine();
    closeWith(mrOk);
}

void TfrmIncluServ::sbtCancelClick() {
    giveUp();
    TfrmRotiGeral::sbtCancelClick();
}

// Leaving without confirming (Cancelar, Esc, the title bar's button) tells a line being
// posted that it has no systems, so it is not saved without them.
void TfrmIncluServ::giveUp() {
    if (!Cli_cot05000::frmPropostaComercial) return;  // the screen has gone: nothing to tell
    ClientTable& lineSystems = *this->lineSystems().cdsSistLinhaProd;
    if (lineSystems.isEditing()) lineSystems.cancel();
    ProductLineArea& area = lines();
    if (area.cdsLinProd->isEditing()) area.boCancela = true;
}

}  // namespace cot
