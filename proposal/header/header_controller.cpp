#include "proposal/header/header_controller.h"

#include "base/errors.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "data/table_fields.h"
#include "proposal/area/area_support.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/simulation/simulation_tables.h"
#include "rpc/net_connection.h"
#include "screens/padrao_grid.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/lookup_button.h"
#include "ui/page_control.h"

namespace cot {

HeaderController::HeaderController(AreaHost& host) : ProposalArea(host), cdsProposta_(&host.proposal()) {
    const auto table = [this](const char* name) { return area_support::table(&host_.dialogParent(), name); };
    cdsValidaProposta = table("cdsValidaProposta");
    cdsMaxVerPropFas = table("cdsMaxVerPropFas");
    cdsPesqContato = table("cdsPesqContato");
    cdsInterLoc = table("cdsInterLoc");
    cdsPesqInterLoc = table("cdsPesqInterLoc");
    cdsPesqProdComer = table("cdsPesqProdComer");
    cdsVd_ProdComer = table("cdsVd_ProdComer");
    cdsValidaSistProd = table("cdsValidaSistProd");
    defineAnswerTables();
    defineQueries();
}

void HeaderController::build() {
    createContract();
    createPanel();
    attachDisplayHandlers();
    attachEvents();
}

void HeaderController::route() {
    for (Control* c : {static_cast<Control*>(host_.pages().panProp), static_cast<Control*>(rbtLuManut),
                       static_cast<Control*>(rbtLocacao), static_cast<Control*>(rbtServico)})
        c->onEnter = [this] { host_.setActiveTable(cdsProposta_); };
}

void HeaderController::afterInclude() {
    // A new proposal gets the next version of its number.
    if (host_.pages().pgcPadrao->activePage() != host_.pages().tshProposta || cdsProposta_->state() != DataSetState::Insert) return;
    cdsMaxVerPropFas->setData(
        host_.net().getPacket(QStringLiteral("getMaxVerPropFas"), {(*cdsProposta_)["NRPROPOSFAS"].asString()}));
    if (!cdsMaxVerPropFas->isEmpty()) dbeVersao->setText((*cdsMaxVerPropFas)["NRVERPROPFAS"].asString());
}

HeaderController::~HeaderController() {
    // The screen's tables and panels outlive the controller for a moment.
    QObject::disconnect(stateConnection_);
    QObject::disconnect(markConnection_);
    if (!dbeVersao) return;  // never built
    // No handler of ours may run while the screen takes its widgets and tables down.
    for (QWidget* w : host_.pages().panProp->findChildren<QWidget*>()) {
        if (w == grbContrato || grbContrato->isAncestorOf(w)) continue;
        if (auto* c = dynamic_cast<Control*>(w)) {
            c->onEnter = nullptr;
            c->onExit = nullptr;
            c->onChange = nullptr;
            c->onKeyPress = nullptr;
        }
    }
    for (TRadioButton* r : {rbtLuManut, rbtLocacao, rbtServico}) r->onClick = nullptr;
    for (const char* name : {"IDSOLPROPFAS", "IDCLIENPROSP", "IDTIPOPROPFAS", "NRINSJURCLIE", "IDTPREAJPROP",
                             "NRMESREAJPROP"}) {
        f(name).onGetText = nullptr;
        f(name).onSetText = nullptr;
    }
    ClientTable& t = *cdsProposta_;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforeEdit, &t.afterEdit, &t.beforePost,
                                    &t.afterPost, &t.afterCancel, &t.afterDelete})
        *e = nullptr;
}

QString HeaderController::msg(const QString& key) const { return host_.messages().Msg(key); }

void HeaderController::reject(const QString& key) const {
    Consiste::MensErro(msg(key), true);
    throw Abort();  // MensErro with true never returns; kept for the compiler
}

void HeaderController::focus(QWidget* control) {
    if (!control) return;
    if (auto* c = dynamic_cast<Control*>(control); c && c->canFocus()) c->setFocus();
}

Field& HeaderController::f(const char* name) const { return (*cdsProposta_)[QString::fromLatin1(name)]; }

bool HeaderController::isProposta() const { return dbcTipoProp->text() == msg(QStringLiteral("Proposta")); }

bool HeaderController::isClient() const {
    if (cbbCliProsp->itemIndex() >= 0) return cbbCliProsp->itemIndex() == 0;
    return f("IDCLIENPROSP").asString() == QLatin1String("C");
}

void HeaderController::defineAnswerTables() {
    using namespace table_fields;
    // Answers of the header checks: whatever the server sends (any row = taken).
    text(*cdsMaxVerPropFas, "NRVERPROPFAS", 20);
    simulation_tables::commercialProductFields(*cdsPesqProdComer);
    simulation_tables::commercialProductFields(*cdsVd_ProdComer);
    product_line_tables::validaSistProdFields(*cdsValidaSistProd);
    // Contacts of the lookup: number and name shown, the rest copied into the header.
    text(*cdsPesqContato, "CDCLIENTE", 21, {}, false);
    text(*cdsPesqContato, "CDPROSPECT", 21, {}, false);
    text(*cdsPesqContato, "NRCONTATO", 10, QStringLiteral("Contato"));
    text(*cdsPesqContato, "REFERENCIA", 60, QStringLiteral("Nome"));
    text(*cdsPesqContato, "IDTPCONTATO", 1, {}, false);
    for (ClientTable* t : {cdsInterLoc, cdsPesqInterLoc}) {
        text(*t, "CDINTECLIE", 2, QStringLiteral("Código"));
        text(*t, "NMINTECLIE", 50, QStringLiteral("Nome"));
    }
    dtsPesqContato = new DataSource(QStringLiteral("dtsPesqContato"), &host_.dialogParent());
    dtsPesqContato->setDataSet(cdsPesqContato);
    dtsInterLoc = new DataSource(QStringLiteral("dtsInterLoc"), &host_.dialogParent());
    dtsInterLoc->setDataSet(cdsInterLoc);
    dtsPesqProdComer = new DataSource(QStringLiteral("dtsPesqProdComer"), &host_.dialogParent());
    dtsPesqProdComer->setDataSet(cdsPesqProdComer);
}

void HeaderController::attachEvents() {
    ClientTable& t = *cdsProposta_;
    t.beforeInsert = [this](ClientTable&) { cdsPropostaBeforeInsert(); };
    t.afterInsert = [this](ClientTable&) { cdsPropostaAfterInsert(); };
    t.beforeEdit = [this](ClientTable&) { cdsPropostaBeforeEdit(); };
    t.afterEdit = [this](ClientTable&) { cdsPropostaAfterEdit(); };
    t.beforePost = [this](ClientTable&) { cdsPropostaBeforePost(); };
    t.afterPost = [this](ClientTable&) { cdsPropostaAfterPost(); };
    t.afterCancel = [this](ClientTable&) { cdsPropostaAfterCancel(); };
    t.afterDelete = [this](ClientTable&) { cdsPropostaAfterDelete(); };
    stateConnection_ = QObject::connect(&t, &ClientTable::stateChanged, host_.pages().panProp, [this] { setHeaderEnabled(); });

    dbcTipoProp->onChange = [this] { dbcTipoPropChange(); };
    cbbCliProsp->onChange = [this] { cbbCliProspChange(); };
    dbeCdCliPros->onEnter = [this] { dbeCdCliProsEnter(); };
    dbeCdCliPros->onChange = [this] { dbeCdCliProsChange(); };
    dbeCdCliPros->onExit = [this] { dbeCdCliProsExit(); };
    dbeCdOperSoli->onChange = [this] { dbeCdOperSoliChange(); };
    dbeCdOperSoli->onExit = [this] { Vd_OperSoli(false); };
    dbeCdOperSoli->onKeyPress = codeKeyPress;
    dbeCdOperResp->onChange = [this] { dbeCdOperRespChange(); };
    dbeCdOperResp->onExit = [this] { Vd_OperResp(false); };
    dbeCdOperResp->onKeyPress = codeKeyPress;
    dbeContato->onChange = [this] { dbeContatoChange(); };
    dbeContato->onExit = [this] { dbeContatoExit(); };
    dbeContato->onKeyPress = digitsOnlyKeyPress;
    dbeCdInterLoc->onChange = [this] { dbeCdInterLocChange(); };
    dbeCdInterLoc->onExit = [this] { Vd_InteClie(false); };
    dbeVersao->onExit = [this] { Vd_Versao(false); };
    dbeVersao->onKeyPress = [this](QChar& key) { dbeVersaoKeyPress(key); };
    dbeFax->onChange = [this] { dbeFaxChange(); };
    dbeCdProdComer->onKeyPress = codeKeyPress;
    dbeCdProdComer->onChange = [this] { dbeCdProdComerChange(); };
    dbeCdProdComer->onExit = [this] { dbeCdProdComerExit(); };

    const auto wire = [](TBtnPesquisa* b, std::function<void()> before, std::function<void()> after) {
        b->onBeforePesq = std::move(before);
        b->onAfterPesq = std::move(after);
    };
    wire(btnPesqCliPros, [this] { btnPesqCliProsBeforePesq(); }, [this] { btnPesqCliProsAfterPesq(); });
    wire(btnPesqContato, [this] { btnPesqContatoBeforePesq(); }, [this] { btnPesqContatoAfterPesq(); });
    wire(btnPesqOperSoli, [this] { btnPesqOperSoliBeforePesq(); }, [this] { btnPesqOperSoliAfterPesq(); });
    wire(btnPesqOperResp, [this] { btnPesqOperRespBeforePesq(); }, [this] { btnPesqOperRespAfterPesq(); });
    wire(btnPesqInterLoc, [this] { btnPesqInterLocBeforePesq(); }, [this] { btnPesqInterLocAfterPesq(); });
    wire(btnPesqProdComer, [this] { btnPesqProdComerBeforePesq(); }, [this] { btnPesqProdComerAfterPesq(); });
    btnPesqCliPros->dataSource = dtsPesqCliente;
    btnPesqContato->dataSource = dtsPesqContato;
    btnPesqOperSoli->dataSource = dtsPesqOperSoli;
    btnPesqOperResp->dataSource = dtsPesqOperResp;
    btnPesqInterLoc->dataSource = dtsInterLoc;
    btnPesqProdComer->dataSource = dtsPesqProdComer;
}

}  // namespace cot
