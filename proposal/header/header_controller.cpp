#include "proposal/header/header_controller.h"

#include "data/client_dataset.h"
#include "data/data_source.h"
#include "proposal/cli_cot05000.h"
#include "ui/lookup_button.h"
#include "proposal/proposal_screen.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "proposal/table_fields.h"
#include "services/consiste.h"
#include "services/errors.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"

namespace cot {

HeaderController::HeaderController(TfrmPropostaComercial& screen) : s_(screen) {
    defineAnswerTables();
    defineQueries();
    createPanel();
    attachDisplayHandlers();
    attachEvents();
}

HeaderController::~HeaderController() {
    // The screen's tables and panels outlive the controller for a moment.
    QObject::disconnect(stateConnection_);
    // No handler of ours may run while the screen takes its widgets and tables down.
    for (QWidget* w : s_.panProp->findChildren<QWidget*>()) {
        if (w == s_.grbContrato || s_.grbContrato->isAncestorOf(w)) continue;
        if (auto* c = dynamic_cast<Control*>(w)) {
            c->onEnter = nullptr;
            c->onExit = nullptr;
            c->onChange = nullptr;
            c->onKeyPress = nullptr;
        }
    }
    for (const char* name : {"IDSOLPROPFAS", "IDCLIENPROSP", "IDTIPOPROPFAS", "NRINSJURCLIE", "IDTPREAJPROP",
                             "NRMESREAJPROP"}) {
        f(name).onGetText = nullptr;
        f(name).onSetText = nullptr;
    }
    ClientDataSet& t = *s_.cdsProposta;
    for (ClientDataSet::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforeEdit, &t.afterEdit, &t.beforePost,
                                    &t.afterPost, &t.afterCancel, &t.afterDelete})
        *e = nullptr;
}

QString HeaderController::msg(const QString& key) const { return s_.msgPadrao.Msg(key); }

void HeaderController::reject(const QString& key) const {
    Consiste::MensErro(msg(key), true);
    throw Abort();  // MensErro with true never returns; kept for the compiler
}

void HeaderController::focus(QWidget* control) {
    if (!control) return;
    if (auto* c = dynamic_cast<Control*>(control); c && c->canFocus()) c->setFocus();
}

Field& HeaderController::f(const char* name) const { return (*s_.cdsProposta)[QString::fromLatin1(name)]; }

bool HeaderController::isProposta() const { return dbcTipoProp->text() == msg(QStringLiteral("Proposta")); }

bool HeaderController::isClient() const {
    if (cbbCliProsp->itemIndex() >= 0) return cbbCliProsp->itemIndex() == 0;
    return f("IDCLIENPROSP").asString() == QLatin1String("C");
}

void HeaderController::defineAnswerTables() {
    using namespace table_fields;
    // Contacts of the lookup: number and name shown, the rest copied into the header.
    text(*s_.cdsPesqContato, "CDCLIENTE", 21, {}, false);
    text(*s_.cdsPesqContato, "CDPROSPECT", 21, {}, false);
    text(*s_.cdsPesqContato, "NRCONTATO", 10, QStringLiteral("Contato"));
    text(*s_.cdsPesqContato, "REFERENCIA", 60, QStringLiteral("Nome"));
    text(*s_.cdsPesqContato, "IDTPCONTATO", 1, {}, false);
    for (ClientDataSet* t : {s_.cdsInterLoc, s_.cdsPesqInterLoc}) {
        text(*t, "CDINTECLIE", 2, QStringLiteral("Código"));
        text(*t, "NMINTECLIE", 50, QStringLiteral("Nome"));
    }
    dtsPesqContato = new DataSource(QStringLiteral("dtsPesqContato"), &s_);
    dtsPesqContato->setDataSet(s_.cdsPesqContato);
    dtsInterLoc = new DataSource(QStringLiteral("dtsInterLoc"), &s_);
    dtsInterLoc->setDataSet(s_.cdsInterLoc);
    dtsPesqProdComer = new DataSource(QStringLiteral("dtsPesqProdComer"), &s_);
    dtsPesqProdComer->setDataSet(s_.cdsPesqProdComer);
}

void HeaderController::attachEvents() {
    ClientDataSet& t = *s_.cdsProposta;
    t.beforeInsert = [this](ClientDataSet&) { cdsPropostaBeforeInsert(); };
    t.afterInsert = [this](ClientDataSet&) { cdsPropostaAfterInsert(); };
    t.beforeEdit = [this](ClientDataSet&) { cdsPropostaBeforeEdit(); };
    t.afterEdit = [this](ClientDataSet&) { cdsPropostaAfterEdit(); };
    t.beforePost = [this](ClientDataSet&) { cdsPropostaBeforePost(); };
    t.afterPost = [this](ClientDataSet&) { cdsPropostaAfterPost(); };
    t.afterCancel = [this](ClientDataSet&) { cdsPropostaAfterCancel(); };
    t.afterDelete = [this](ClientDataSet&) { cdsPropostaAfterDelete(); };
    stateConnection_ = QObject::connect(&t, &ClientDataSet::stateChanged, s_.panProp, [this] { setHeaderEnabled(); });

    dbcTipoProp->onChange = [this] { dbcTipoPropChange(); };
    cbbCliProsp->onChange = [this] { cbbCliProspChange(); };
    dbeCdCliPros->onEnter = [this] { dbeCdCliProsEnter(); };
    dbeCdCliPros->onChange = [this] { dbeCdCliProsChange(); };
    dbeCdCliPros->onExit = [this] { dbeCdCliProsExit(); };
    dbeCdOperSoli->onChange = [this] { dbeCdOperSoliChange(); };
    dbeCdOperSoli->onExit = [this] { Vd_OperSoli(false); };
    dbeCdOperSoli->onKeyPress = digitsOnlyKeyPress;
    dbeCdOperResp->onChange = [this] { dbeCdOperRespChange(); };
    dbeCdOperResp->onExit = [this] { Vd_OperResp(false); };
    dbeCdOperResp->onKeyPress = digitsOnlyKeyPress;
    dbeContato->onChange = [this] { dbeContatoChange(); };
    dbeContato->onExit = [this] { dbeContatoExit(); };
    dbeContato->onKeyPress = digitsOnlyKeyPress;
    dbeCdInterLoc->onChange = [this] { dbeCdInterLocChange(); };
    dbeCdInterLoc->onExit = [this] { Vd_InteClie(false); };
    s_.dbeVersao->onExit = [this] { Vd_Versao(false); };
    s_.dbeVersao->onKeyPress = [this](QChar& key) { dbeVersaoKeyPress(key); };
    dbeFax->onChange = [this] { dbeFaxChange(); };
    dbeCdProdComer->onKeyPress = digitsOnlyKeyPress;
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
