#include "proposal/product_lines/product_line_area.h"

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/header/header_controller.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/proposal_screen.h"
#include "ui/containers.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

using area_support::currentText;

ProductLineArea::ProductLineArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsLinProd = area_support::table(&s_, "cdsLinProd");
    cdsValidaLinhaProd = area_support::table(&s_, "cdsValidaLinhaProd");
    cdsVd_TipoProposta = area_support::table(&s_, "cdsVd_TipoProposta");
    cdsSistema = area_support::table(&s_, "cdsSistema");
    product_line_tables::productLineFields(*cdsLinProd);
    product_line_tables::systemChoiceFields(*cdsSistema);
    dtsLinProd = area_support::source(&s_, "dtsLinProd", cdsLinProd);
}

QList<QWidget*> ProductLineArea::controls() const { return {dbgLinProd, panLinProd}; }

void ProductLineArea::build() {
    cdsLinProd->createDataSet();
    cdsSistema->createDataSet();
    buildGridPage();
    buildForm();
}

void ProductLineArea::route() {
    for (Control* c : {static_cast<Control*>(dbgLinProd), static_cast<Control*>(Panel4)})
        c->onEnter = [this] { s_.setActiveTable(cdsLinProd); };
    s_.pages().tshDadosCont->onEnter = [this] {
        s_.setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
    };
    panLinProd->onEnter = [this] {
        if (s_.hasFocus(dbgLinProd)) return;
        ClientDataSet* active = s_.activeTable();
        if (!active || active->name() != QLatin1String("cdsLinProd")) s_.setActiveTable(cdsLinProd);
    };
}

bool ProductLineArea::formShown() const {
    const ProposalPages& p = s_.pages();
    return s_.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshDados &&
           p.pgcDadosCont->activePage() == p.tshFormulario;
}

void ProductLineArea::load(const ProposalKey& key) {
    const ProposalPages& p = s_.pages();
    if (s_.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshDados) {
        // Keep the current line when it is still there.
        const QString line = currentText(*cdsLinProd, QStringLiteral("CDLINPPROPINFOR"));
        cdsLinProd->setData(s_.net().getPacket(QStringLiteral("GetLinProd"), {key.nr, key.ver}));
        if (!line.isEmpty()) cdsLinProd->locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
    }
    // The line code can be typed only while the proposal is not accepted.
    const ClientDataSet& proposal = s_.proposal();
    const bool accepted = proposal.active() && !proposal.isEmpty() && !proposal["DTACEPROPFAS"].isNull();
    dbeCdLinProd->setColor(accepted ? ControlColor::BtnFace : ControlColor::InfoBk);
}

void ProductLineArea::afterInclude() {
    if (formShown()) {
        nedVrComDesconto->clear();
        nedVrComDescontoManut->clear();
    }
}

void ProductLineArea::pgcDadosContChange() {
    const ProposalPages& p = s_.pages();
    if (p.pgcDadosCont->activePage() == p.tshDadosCont) {
        s_.setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
        return;
    }
    if (p.pgcDadosCont->activePage() != p.tshFormulario) return;
    s_.setActiveTable(cdsLinProd);
    if (dbeCdLinProd->isEnabled() && dbeCdLinProd->canFocus()) dbeCdLinProd->setFocus();
    else if (dbeNmLinProd->isEnabled() && dbeNmLinProd->canFocus()) dbeNmLinProd->setFocus();
    s_.dtsPadraoStateChange();
}

void ProductLineArea::Controla_Formulario() {
    const HeaderController& header = s_.area<HeaderController>();
    const bool lu = header.rbtLuManut->isChecked();
    const bool rent = header.rbtLocacao->isChecked();
    const bool kind = rbtTpProduto->isChecked() || rbtTpPtoAcesso->isChecked();
    // 1. Licence prices apply to licence with maintenance.
    const bool licence = lu && kind;
    dbeVrUnitLic->setColor(licence ? ControlColor::InfoBk : ControlColor::BtnFace);
    nedVrComDesconto->setColor(licence ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescLic->setColor(licence ? ControlColor::Window : ControlColor::BtnFace);
    // 2. Monthly prices and the quantity apply to maintenance and to rental.
    const bool monthly = (lu || rent) && kind;
    for (Control* c : {static_cast<Control*>(dbeVrUnitManutLoc), static_cast<Control*>(nedVrComDescontoManut),
                       static_cast<Control*>(dbeQtdeLicenca)})
        c->setColor(monthly ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescManutLoc->setColor(monthly ? ControlColor::Window : ControlColor::BtnFace);
    // 3. Access-point lines have no number of users.
    dbeNrUsuLic->setColor(dbeNrUsuLic->isEnabled() ? ControlColor::InfoBk : ControlColor::BtnFace);
    if (cdsLinProd->isEditing()) {
        const QString type = (*cdsLinProd)["IDTIPLINPP"].asString();
        if (type == QLatin1String("P") || type == QLatin1String("A")) {
            dbeNrUsuLic->setText(QStringLiteral("0"));
            dbeNrUsuLic->setColor(ControlColor::BtnFace);
        } else {
            dbeNrUsuLic->setColor(ControlColor::InfoBk);
        }
    }
}

}  // namespace cot
