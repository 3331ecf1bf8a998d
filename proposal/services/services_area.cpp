#include "proposal/services/services_area.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_model.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/services/service_tables.h"
#include "rpc/net_connection.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

using namespace layout;

ServicesArea::ServicesArea(AreaHost& host, HeaderController& header, ProductLineArea& lines)
    : ProposalArea(host), header_(header), lines_(lines) {
    cdsServico = area_support::table(&host_.dialogParent(), "cdsServico");
    cdsServicoAux = area_support::table(&host_.dialogParent(), "cdsServicoAux");
    cdsTipoServObr = area_support::table(&host_.dialogParent(), "cdsTipoServObr");
    service_tables::serviceFields(*cdsServico, true);
    service_tables::serviceFields(*cdsServicoAux, false);
    service_tables::mandatoryServiceFields(*cdsTipoServObr);
    dtsServico = area_support::source(&host_.dialogParent(), "dtsServico", cdsServico);

    // The service-type register: one type (P_CDTIPOSERV), or all of them (P_TCDTIPOSERV 'T').
    for (const char* line : {"SELECT CDTIPOSERV, NMTIPOSERV", "FROM TIPOSERV",
                             "WHERE ((:P_CDTIPOSERV = CDTIPOSERV) OR (:P_TCDTIPOSERV = 'T'))", "ORDER BY CDTIPOSERV"})
        qryServico.addSql(QString::fromLatin1(line));
    Field& code = qryServico.addField(QStringLiteral("CDTIPOSERV"), FieldType::String, 3);
    code.displayLabel = QStringLiteral("Código");
    code.required = true;
    qryServico.addField(QStringLiteral("NMTIPOSERV"), FieldType::String, 80).displayLabel = QStringLiteral("Nome");
    dtsServ = area_support::source(&host_.dialogParent(), "dtsServ", &qryServico.table());

    // Sent from the after-post and after-delete, which have more to do than the send.
    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsServico, QStringLiteral("SetServico"));
    save_->afterSend = [this] {
        Session::instance().markTablesChanged({QStringLiteral("PROPOSTASERV")});
        runFollowUp();
    };
    host_.registerSave(save_.get());
}

ServicesArea::~ServicesArea() {
    QObject::disconnect(contractConnection_);
    ClientTable& t = *cdsServico;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforeEdit, &t.beforePost, &t.afterPost,
                                    &t.afterCancel, &t.afterDelete, &t.afterScroll})
        *e = nullptr;
    t[QStringLiteral("IDTIPOCOBRPROP")].onGetText = nullptr;
    t[QStringLiteral("IDTIPOCOBRPROP")].onSetText = nullptr;
}

Field& ServicesArea::f(const char* name) const { return (*cdsServico)[QString::fromLatin1(name)]; }

ServiceInstallmentsArea& ServicesArea::installments() const { return *installments_; }

void ServicesArea::build() {
    cdsServico->createDataSet();
    cdsTipoServObr->createDataSet();
    TTabSheet* page = host_.pages().tshServicoPrincipal;
    column(page, 0);
    scrServico = new TScrollBox(QStringLiteral("scrServico"), page);
    scrServico->setWidgetResizable(true);
    page->layout()->addWidget(scrServico);
    auto* content = new QWidget;
    scrServico->setWidget(content);
    auto* main = column(content, 0);
    panServicoControle = new TPanel(QStringLiteral("panServicoControle"), content);
    main->addWidget(panServicoControle, 2);
    column(panServicoControle, 0);
    dbgServico = grid("dbgServico", panServicoControle, dtsServico, true);
    dbgServico->setOptions(dgEditing | dgTitles | dgColumnResize | dgColLines | dgRowLines | dgTabs | dgConfirmDelete);
    dbgServico->addColumn(QStringLiteral("CDTIPOSERV"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    dbgServico->addColumn(QStringLiteral("NMTIPOSERV"));
    dbgServico->addColumn(QStringLiteral("DSLOCALPROP"));
    for (const char* f : {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP"})
        dbgServico->addColumn(QString::fromLatin1(f))->alignment = Qt::AlignRight;
    dbgServico->addColumn(QStringLiteral("VRPEHORAPROP"), {}, 90)->alignment = Qt::AlignRight;

    auto* bottom = new QWidget(content);
    bottom->setMinimumHeight(190);
    bottom_ = row(bottom, 0);
    main->addWidget(bottom, 1);
    auto* charging = new QWidget(bottom);
    auto* chargingColumn = column(charging, 0);
    bottom_->addWidget(charging);
    grbTipoCobranca = new TGroupBox(QStringLiteral("grbTipoCobranca"), charging, QStringLiteral("Tipo de Cobrança"));
    auto* kinds = row(grbTipoCobranca, 4);
    rbtVrPacote = new TRadioButton(QStringLiteral("rbtVrPacote"), grbTipoCobranca, QStringLiteral("Valor do Pacote"));
    rbtVrHora = new TRadioButton(QStringLiteral("rbtVrHora"), grbTipoCobranca, QStringLiteral("Valor Hora"));
    kinds->addWidget(rbtVrPacote);
    kinds->addWidget(rbtVrHora);
    chargingColumn->addWidget(grbTipoCobranca);
    grbPacote = new TGroupBox(QStringLiteral("grbPacote"), charging, QStringLiteral("Pacote"));
    auto* pack = row(grbPacote, 4);
    dbeVrPacote = edit("dbeVrPacote", grbPacote, dtsServico, "VRPACOTESERV");
    dbeVrPacote->setReadOnly(true);
    dbeVrPacote->setColor(ControlColor::BtnFace);
    pack->addWidget(new QLabel(QStringLiteral("Valor do Pacote"), grbPacote));
    pack->addWidget(dbeVrPacote);
    chargingColumn->addWidget(grbPacote);
    attachEvents();
}

void ServicesArea::route() {
    const ProposalPages& p = host_.pages();
    for (Control* c : {static_cast<Control*>(p.tshServico), static_cast<Control*>(p.tshServicoPrincipal),
                       static_cast<Control*>(grbPacote), static_cast<Control*>(panServicoControle),
                       static_cast<Control*>(scrServico)})
        c->onEnter = [this] { host_.setActiveTable(cdsServico); };
    // Entering the grid is entering its selected column.
    dbgServico->onEnter = [this] {
        host_.setActiveTable(cdsServico);
        dbgServicoColEnter();
    };
    rbtVrPacote->onClick = [this] { rbtVrPacoteClick(); };
    rbtVrHora->onClick = [this] { rbtVrHoraClick(); };
    // The header reports every contract chosen, by the user or by code.
    contractConnection_ = QObject::connect(&host_.model(), &ProposalModel::contractChosen, [this](const QString& code) {
        if (code == QLatin1String("S")) rbtServicoClick();
    });
}

bool ServicesArea::shown() const {
    const ProposalPages& p = host_.pages();
    return host_.pages().pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshServico;
}

bool ServicesArea::principalShown() const {
    return shown() && host_.pages().pgcServicoGeral->activePage() == host_.pages().tshServicoPrincipal;
}

bool ServicesArea::open() const {
    const ClientTable& p = host_.proposal();
    return p.active() && !p.isEmpty() && !p.isEditing() && p[QStringLiteral("DTACEPROPFAS")].isNull();
}

bool ServicesArea::package() const {
    const ClientTable& p = host_.proposal();
    return p.active() && !p.isEmpty() && p[QStringLiteral("IDTIPOCOBRSERV")].asString() == QLatin1String("P");
}

long double ServicesArea::proposalPackage() const {
    const ClientTable& p = host_.proposal();
    return p.active() && !p.isEmpty() ? p[QStringLiteral("VRPACOTESERV")].asFloat() : 0;
}

void ServicesArea::load(const ProposalKey& key) {
    if (!shown()) return;
    cdsServico->setData(host_.net().getPacket(QStringLiteral("GetServico"), {key.nr, key.ver}));
    showCharging();
    updateEditors();
}

void ServicesArea::reloadServices() {
    const QString row = area_support::currentText(*cdsServico, QStringLiteral("NRSERVPROP"));
    const ProposalKey key = host_.key();
    cdsServico->setData(host_.net().getPacket(QStringLiteral("GetServico"), {key.nr, key.ver}));
    // A service just inserted got its sequence on the server: the last one.
    if (row.isEmpty() || !cdsServico->locate(QStringLiteral("NRSERVPROP"), row)) cdsServico->last();
}

void ServicesArea::pageShown() {
    if (!principalShown()) return;
    host_.setActiveTable(cdsServico);
    if (!host_.hasFocus(dbgServico) && dbgServico->canFocus()) dbgServico->setFocus();
    if (open() && package() && !cdsServico->isEditing()) Gera_ValorPacoteServ();
}

void ServicesArea::enable(MaintenanceEnabling& e) {
    if (cdsServico->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = false;
        e.cancelar = e.confirmar = true;
        return;
    }
    const bool rows = cdsServico->active() && !cdsServico->isEmpty();
    e.incluir = open();
    e.alterar = e.excluir = open() && rows;
    e.procurar = rows;
    e.cancelar = e.confirmar = false;
}

void ServicesArea::updateEditors() {
    // An accepted proposal's services are under contract: shown, not changed.
    dbgServico->setReadOnly(!open());
    // The radios switch the stored type: not over a service being typed, and only once
    // they show the stored type.
    const bool switchable = open() && boTestaServ && !cdsServico->isEditing();
    rbtVrPacote->setEnabled(switchable);
    rbtVrHora->setEnabled(switchable);
}

void ServicesArea::afterDelete() {
    // The delete button: a package proposal left without services has no schedule.
    if (shown() && cdsServico->active() && cdsServico->isEmpty() && package()) emptyPackage();
}

void ServicesArea::showCharging() {
    if (cdsServico->isEditing()) return;
    const ClientTable& p = host_.proposal();
    if (!p.active() || p.isEmpty()) return;
    const QString type = p[QStringLiteral("IDTIPOCOBRSERV")].asString();
    boTestaServ = false;
    syncing_ = true;
    if (type == QLatin1String("P")) rbtVrPacote->setChecked(true);
    else if (type == QLatin1String("H")) rbtVrHora->setChecked(true);
    syncing_ = false;
    boTestaServ = true;
}


void ServicesArea::verify(QStringList& kept) {
    if (host_.hasFocus(dbgServico) && area_support::reloadable(host_, {cdsServico}, name(), kept)) reloadServices();
    if (principalShown()) showCharging();  // not over a service being typed
}

}  // namespace cot
