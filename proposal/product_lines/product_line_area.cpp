#include "proposal/product_lines/product_line_area.h"

#include <utility>

#include "data/client_table.h"
#include "data/table_fields.h"
#include "dialogs/systems/systems_marks.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_model.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "rpc/net_connection.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

using area_support::currentText;

ProductLineArea::ProductLineArea(AreaHost& host, HeaderController& header, ProposalReach& dialogs)
    : ProposalArea(host), header_(header), dialogs_(dialogs) {
    const auto table = [this](const char* name) { return area_support::table(&host_.dialogParent(), name); };
    cdsLinProd = table("cdsLinProd");
    cdsValidaLinhaProd = table("cdsValidaLinhaProd");
    cdsVd_TipoProposta = table("cdsVd_TipoProposta");
    cdsSistema = table("cdsSistema");
    cdsVerificaLinhaProd = table("cdsVerificaLinhaProd_Linha");
    cdsVdQtPtoAcesso = table("cdsVdQtPtoAcesso_Linha");
    product_line_tables::productLineFields(*cdsLinProd);
    systems_marks::choiceFields(*cdsSistema);
    table_fields::number(*cdsVdQtPtoAcesso, "QTPTOACESSO");
    dtsLinProd = area_support::source(&host_.dialogParent(), "dtsLinProd", cdsLinProd);
    // The line's post has more to do than send it: the save is called from the after-post.
    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsLinProd, QStringLiteral("SetLinProd"));
    save_->afterSend = [this] {
        Session::instance().markTablesChanged({QStringLiteral("PROPOSTALINP")});
        runFollowUp();
    };
    host_.registerSave(save_.get());
}

ProductLineArea::~ProductLineArea() {
    QObject::disconnect(contractConnection_);
    ClientTable& t = *cdsLinProd;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.beforeEdit, &t.afterInsert, &t.beforePost, &t.afterPost,
                                    &t.afterCancel, &t.afterDelete, &t.beforeScroll, &t.afterScroll})
        *e = nullptr;
}

LineInstallmentsArea& ProductLineArea::installments() const { return *installments_; }
LineSystemsArea& ProductLineArea::systems() const { return *systems_; }
Field& ProductLineArea::f(const char* name) const { return (*cdsLinProd)[QString::fromLatin1(name)]; }

void ProductLineArea::build() {
    cdsLinProd->createDataSet();
    cdsSistema->createDataSet();
    buildGridPage();
    buildForm();
    attachCodeTexts();
    attachFieldHandlers();
    attachEvents();
}

void ProductLineArea::attachEvents() {
    ClientTable& t = *cdsLinProd;
    t.beforeInsert = [this](ClientTable&) { cdsLinProdBeforeInsertOrEdit(); };
    t.beforeEdit = [this](ClientTable&) { cdsLinProdBeforeInsertOrEdit(); };
    t.afterInsert = [this](ClientTable&) { cdsLinProdAfterInsert(); };
    t.beforePost = [this](ClientTable&) { cdsLinProdBeforePost(); };
    t.afterPost = [this](ClientTable&) { cdsLinProdAfterPost(); };
    t.afterCancel = [this](ClientTable&) { cdsLinProdAfterCancel(); };
    t.afterDelete = [this](ClientTable&) { cdsLinProdAfterDelete(); };
    // A schedule still pending goes (or is refused) before another line is shown over it.
    t.beforeScroll = [this](ClientTable& lines) {
        const ClientTable& schedule = *installments().cdsVenc_Valor;
        if (!lines.isEditing() && (schedule.isEditing() || host_.saveOf(&schedule)->pending()))
            installments().confirmSchedule();
    };
    t.afterScroll = [this](ClientTable&) { cdsLinProdAfterScroll(); };
}

void ProductLineArea::route() {
    for (Control* c : {static_cast<Control*>(dbgLinProd), static_cast<Control*>(Panel4)})
        c->onEnter = [this] { host_.setActiveTable(cdsLinProd); };
    host_.pages().tshDadosCont->onEnter = [this] {
        host_.setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
    };
    panLinProd->onEnter = [this] {
        if (systems().gridFocused()) return;
        ClientTable* active = host_.activeTable();
        if (!active || active->name() != QLatin1String("cdsLinProd")) host_.setActiveTable(cdsLinProd);
    };
    // LU/Manutenção and Locação switch the lines; Serviço is the services' to take.
    contractConnection_ = QObject::connect(&host_.model(), &ProposalModel::contractChosen, dbgLinProd,
                                           [this](const QString& code) {
                                               if (code == QLatin1String("M") || code == QLatin1String("L"))
                                                   rbtContratoClick(code);
                                           });
    rbtTpProduto->onClick = [this] { rbtTipoClick(false); };
    rbtTpPtoAcesso->onClick = [this] { rbtTipoClick(true); };
    for (TRadioButton* r : {rbtMatrizModo, rbtFilialMode, rbtMatrizLocal, rbtFilialLocal})
        r->onClick = [this, r] { rbtModoLocalClick(r); };
}

bool ProductLineArea::formShown() const {
    const ProposalPages& p = host_.pages();
    return p.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshDados &&
           p.pgcDadosCont->activePage() == p.tshFormulario;
}

void ProductLineArea::load(const ProposalKey& key) {
    showContract();
    const ProposalPages& p = host_.pages();
    if (p.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshDados) {
        // Keep the current line when it is still there.
        const QString line = currentText(*cdsLinProd, QStringLiteral("CDLINPPROPINFOR"));
        cdsLinProd->setData(host_.net().getPacket(QStringLiteral("GetLinProd"), {key.nr, key.ver}));
        if (!line.isEmpty()) cdsLinProd->locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
    }
    // The line code can be typed only while the proposal is not accepted.
    const ClientTable& proposal = host_.proposal();
    const bool accepted = proposal.active() && !proposal.isEmpty() && !proposal["DTACEPROPFAS"].isNull();
    dbeCdLinProd->setColor(accepted ? ControlColor::BtnFace : ControlColor::InfoBk);
}

void ProductLineArea::reloadLines() {
    const QString line = currentText(*cdsLinProd, QStringLiteral("CDLINPPROPINFOR"));
    cdsLinProd->setData(host_.net().getPacket(QStringLiteral("GetLinProd"), {host_.key().nr, host_.key().ver}));
    if (!line.isEmpty()) cdsLinProd->locate(QStringLiteral("CDLINPPROPINFOR"), line, loCaseInsensitive);
}

void ProductLineArea::pageShown() {
    if (formShown() && !systems().gridFocused() && !installments().gridFocused())
        host_.setActiveTable(cdsLinProd);
}

void ProductLineArea::enable(MaintenanceEnabling& e) {
    const ClientTable& proposal = host_.proposal();
    const bool hasProposal = proposal.active() && !proposal.isEmpty() && !proposal.isEditing();
    if (cdsLinProd->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = false;
        e.cancelar = e.confirmar = true;
        return;
    }
    const bool lines = cdsLinProd->active() && !cdsLinProd->isEmpty();
    // Service-only proposals have no product lines.
    e.incluir = hasProposal && !host_.model().serviceOnly();
    e.alterar = e.excluir = hasProposal && lines;
    e.procurar = lines;
    e.cancelar = e.confirmar = false;
}

void ProductLineArea::updateEditors() {
    const bool editing = cdsLinProd->isEditing();
    const bool line = editing || (cdsLinProd->active() && !cdsLinProd->isEmpty());
    for (QWidget* w : {static_cast<QWidget*>(dbeCdLinProd), static_cast<QWidget*>(dbeNmLinProd),
                       static_cast<QWidget*>(dbcPlataforma), static_cast<QWidget*>(depCarenLu),
                       static_cast<QWidget*>(dbeNrUsuLic), static_cast<QWidget*>(dbeQtdeLicenca),
                       static_cast<QWidget*>(dbeVrUnitManutLoc), static_cast<QWidget*>(dbeDescManutLoc),
                       static_cast<QWidget*>(nedVrComDescontoManut)})
        w->setEnabled(editing);
    // Licence prices exist only under LU/Manutenção.
    for (QWidget* w : {static_cast<QWidget*>(dbeVrUnitLic), static_cast<QWidget*>(dbeDescLic),
                       static_cast<QWidget*>(nedVrComDesconto)})
        w->setEnabled(editing && licence());
    // Access-point lines count no users (the form shows 0).
    if (editing && rbtTpPtoAcesso->isChecked()) dbeNrUsuLic->setEnabled(false);
    // The radio pairs start an edit of the current line when clicked.
    for (QWidget* w : {static_cast<QWidget*>(grbTipoLinha), static_cast<QWidget*>(grbModo),
                       static_cast<QWidget*>(grbLocal)})
        w->setEnabled(line);
    rbtFilialLocal->setEnabled(line && !rbtMatrizModo->isChecked());
    Controla_Formulario();
}

void ProductLineArea::afterInclude() {
    if (formShown()) {
        nedVrComDesconto->clear();
        nedVrComDescontoManut->clear();
    }
}

void ProductLineArea::pgcDadosContChange() {
    const ProposalPages& p = host_.pages();
    if (p.pgcDadosCont->activePage() == p.tshDadosCont) {
        host_.setActiveTable(cdsLinProd);
        if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
        return;
    }
    if (p.pgcDadosCont->activePage() != p.tshFormulario) return;
    host_.setActiveTable(cdsLinProd);
    if (dbeCdLinProd->isEnabled() && dbeCdLinProd->canFocus()) dbeCdLinProd->setFocus();
    else if (dbeNmLinProd->isEnabled() && dbeNmLinProd->canFocus()) dbeNmLinProd->setFocus();
    host_.stateChanged();
    cdsLinProdAfterScroll();
}

bool ProductLineArea::licence() const { return host_.model().licence(); }
bool ProductLineArea::rental() const { return host_.model().rental(); }
bool ProductLineArea::gridFocused() const { return host_.hasFocus(dbgLinProd); }

void ProductLineArea::focusLineCode() {
    if (formShown()) {
        if (dbeCdLinProd->canFocus()) dbeCdLinProd->setFocus();
        return;
    }
    // The grid's cursor goes to the code without the checks of the column being left.
    const auto exit = std::exchange(dbgLinProd->onColExit, nullptr);
    if (!host_.hasFocus(dbgLinProd) && dbgLinProd->canFocus()) dbgLinProd->setFocus();
    dbgLinProd->setSelectedField(QStringLiteral("CDLINPPROPINFOR"));
    dbgLinProd->onColExit = exit;
}

bool ProductLineArea::accessPointShown() const { return rbtTpPtoAcesso->isChecked(); }

QString ProductLineArea::lineType(bool accessPoint) const {
    if (rental()) return accessPoint ? QStringLiteral("A") : QStringLiteral("L");
    return accessPoint ? QStringLiteral("P") : QStringLiteral("M");
}

void ProductLineArea::Controla_Formulario() {
    const bool lu = licence();
    const bool rent = rental();
    const bool kind = rbtTpProduto->isChecked() || rbtTpPtoAcesso->isChecked();
    // Licence prices apply to licence with maintenance.
    const bool licencePrices = lu && kind;
    dbeVrUnitLic->setColor(licencePrices ? ControlColor::InfoBk : ControlColor::BtnFace);
    nedVrComDesconto->setColor(licencePrices ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescLic->setColor(licencePrices ? ControlColor::Window : ControlColor::BtnFace);
    // Monthly prices and the quantity apply to maintenance and to rental.
    const bool monthly = (lu || rent) && kind;
    for (Control* c : {static_cast<Control*>(dbeVrUnitManutLoc), static_cast<Control*>(nedVrComDescontoManut),
                       static_cast<Control*>(dbeQtdeLicenca)})
        c->setColor(monthly ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescManutLoc->setColor(monthly ? ControlColor::Window : ControlColor::BtnFace);
    // Access-point lines have no number of users.
    dbeNrUsuLic->setColor(dbeNrUsuLic->isEnabled() ? ControlColor::InfoBk : ControlColor::BtnFace);
    if (cdsLinProd->isEditing()) {
        const QString type = f("IDTIPLINPP").asString();
        if (type == QLatin1String("P") || type == QLatin1String("A")) {
            dbeNrUsuLic->setText(QStringLiteral("0"));
            dbeNrUsuLic->setColor(ControlColor::BtnFace);
        } else {
            dbeNrUsuLic->setColor(ControlColor::InfoBk);
        }
    }
    // The values with discount shown follow the line.
    Controla_Vr_Desconto();
}


void ProductLineArea::verify(QStringList& kept) {
    const ProposalPages& p = host_.pages();
    if (p.pgcPadrao->activePage() != p.tshProposta) return;
    showContract();  // not while the proposal is edited
    // Reading the lines again makes another line current: its schedule and systems are read
    // too, so none of the three may hold anything the server has not taken.
    if (host_.hasFocus(dbgLinProd) || formShown()) {
        if (area_support::reloadable(host_, {cdsLinProd, installments().cdsVenc_Valor, systems().cdsSistLinhaProd},
                                     name(), kept))
            reloadLines();
    }
    if (formShown() && !cdsLinProd->isEditing()) showLineRadios();
}

}  // namespace cot
