#include "proposal/screen/proposal_screen.h"

#include <QScopeGuard>
#include <algorithm>

#include "base/dialogs.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/filter_reload.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/header/header_controller.h"
#include "proposal/observation/observation_area.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/readjustment/readjustment_controller.h"
#include "proposal/screen/tables_proposal.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/services/service_objective_area.h"
#include "proposal/services/services_area.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/texts/texts_area.h"
#include "proposal/totals/totals_area.h"
#include "rpc/check_result.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/focus_dispatcher.h"
#include "ui/page_control.h"

namespace cot {

namespace {

TfrmPadraoGrid::Options screenOptions() {
    TfrmPadraoGrid::Options o;
    o.screenCode = QStringLiteral("COT05000");
    o.caption = QStringLiteral("Proposta Comercial");
    o.formPageName = QStringLiteral("tshProposta");
    o.formPageCaption = QStringLiteral("Formulário");
    o.messagesPath = QStringLiteral(":/cot05000/cot05000_messages.txt");
    return o;
}

}  // namespace

TfrmPropostaComercial::TfrmPropostaComercial(QWidget* parent) : TfrmPadraoGrid(screenOptions(), parent) {
    tshPadrao->setCaption(QStringLiteral("Proposta"));
    netProposta.setServerName(QStringLiteral("COT05000.rdmProposta"));
    netProposta.setServerGUID(QStringLiteral("{6AE3905C-010B-40C4-8182-CBF0A042618D}"));
    netProposta.setHost(QStringLiteral("127.0.0.1"));
    // netPropostaBeforeConnect: the host says where the server is.
    netProposta.setBeforeConnect([](NetConnection& c) {
        c.setHost(Session::instance().serverHost());
        c.setPort(Session::instance().serverPort());
    });

    createTables();
    model_ = new ProposalModel(*cdsProposta, this);
    createPages();
    createMenus();
    setupListGrid();
    registerAreas();
    for (const auto& a : areas_) a->build();
    for (const auto& a : areas_) a->route();
    wirePages();
    attachAfterScroll();
}

// The areas, in the order the screen builds, loads and asks them.
void TfrmPropostaComercial::forgetPartyCheck() { headerArea_->forgetPartyCheck(); }

void TfrmPropostaComercial::registerAreas() {
    // Each area is handed the earlier ones it works with.
    const auto add = [this](auto area) -> auto& {
        auto& added = *area;
        areas_.push_back(std::move(area));
        return added;
    };
    HeaderController& header = add(std::make_unique<HeaderController>(*this));
    headerArea_ = &header;
    add(std::make_unique<ReadjustmentController>(*this, header));
    ProductLineArea& lines = add(std::make_unique<ProductLineArea>(*this, header, *this));
    linesArea_ = &lines;
    systemsArea_ = &add(std::make_unique<LineSystemsArea>(*this, lines, *this));
    lineScheduleArea_ = &add(std::make_unique<LineInstallmentsArea>(*this, lines));
    SimulationArea& simulations = add(std::make_unique<SimulationArea>(*this));
    add(std::make_unique<SimulationProductsArea>(*this, simulations));
    TextsArea& texts = add(std::make_unique<TextsArea>(*this, *this));
    textsArea_ = &texts;
    ServicesArea& services = add(std::make_unique<ServicesArea>(*this, header, lines));
    servicesArea_ = &services;
    packageArea_ = &add(std::make_unique<ServiceInstallmentsArea>(*this, services));
    add(std::make_unique<ServiceObjectiveArea>(*this));
    add(std::make_unique<ObservationArea>(*this));
    add(std::make_unique<TotalsArea>(*this));
    // The header, made first, asks whether the proposal's parts hold rows and which line is current.
    model_->setParts(lines.lineTable(), *services.cdsServico, *texts.cdsMensagem);
}

TfrmPropostaComercial::~TfrmPropostaComercial() {
    // Table events call into the areas: none may run while the screen goes away.
    for (ClientTable* t : findChildren<ClientTable*>()) {
        t->afterScroll = nullptr;
        t->beforeScroll = nullptr;
    }
    saveListWidths();
    // Areas let go of their handlers before the widgets and tables they reach go.
    while (!areas_.empty()) areas_.pop_back();
}

void TfrmPropostaComercial::createTables() {
    const auto table = [this](const char* name) { return area_support::table(this, name); };
    cdsProposta = table("cdsProposta");
    cdsParamPerc = table("cdsParamPerc");
    defineProposalTables(*cdsProposta, *cdsParamPerc);
    dtsProposta = area_support::source(this, "dtsProposta", cdsProposta);
}

void TfrmPropostaComercial::FormCreate() {
    // The base creation ran in the constructor of TfrmPadraoGrid; the areas opened their
    // tables when they were built. The list page first.
    pgcPadrao->setActivePage(tshPadrao);
    pgcPadraoChange();
    // Flags.
    boFiltroUsado = false;
    (*linesArea_).offerClearingOnTypeClick();
    forgetPartyCheck();
    // Connect and read the list the operator may see.
    {
        BusyScope busy;
        netProposta.connect();
        readProposalList();
    }
    // Percentage parameters.
    cdsParamPerc->setData(netProposta.getPacket(QStringLiteral("GetParamPerc")));
    // Columns the grids' key handlers treat as not typable (the areas mark theirs).
    (*cdsProposta)["ANEXO"].tag = 1;
    restoreListWidths();
}

// Whether the operator's group sees every proposal of the branch: the server answers for
// the session's operator.
void TfrmPropostaComercial::openGrupo() {
    wholeBranch_ = false;
    wholeBranch_ = netProposta.callChecked(QStringLiteral("GetVeTodasPropostas")).toBool();
}

void TfrmPropostaComercial::readProposalList() {
    openGrupo();
    const bool all = wholeBranch_;
    requestsOnly_ = !all;
    cdsProposta->setData(netProposta.getPacket(
        QStringLiteral("GetProposta"), {Session::instance().branch(), all ? QStringLiteral("T") : Session::instance().operatorCode()}));
}

void TfrmPropostaComercial::FormActivate() {
    repaint();
    // Document masks follow the person type of the row.
    (*headerArea_).followDocumentMasks();
    if (cdsProposta->active())
        (*cdsProposta)["NRINSJURCLIE"].editMask = Consiste::PictPess((*cdsProposta)["NRINSJURCLIE"].asString());
}

void TfrmPropostaComercial::FormClose(CloseAction& action) {
    if (!giveUpPending()) {
        action = CloseAction::caNone;
        return;
    }
    TfrmPadraoGrid::FormClose(action);
    saveListWidths();
    netProposta.disconnect();
    closed_ = true;
}

bool TfrmPropostaComercial::giveUpPending() {
    // Closing loses a row being typed and a change log the server refused as surely as
    // Cancelar does, so it asks the same question first.
    QList<ClientTable*> tables{cdsProposta};
    for (const auto& a : areas_) tables += a->tables();
    QList<ClientTable*> editing;
    QList<ChildTableSave*> refused;
    for (ClientTable* t : tables)
        if (t && t->isEditing() && !editing.contains(t)) editing << t;
    for (ChildTableSave* save : saves_)
        if (save->pending()) refused << save;
    if (editing.isEmpty() && refused.isEmpty()) return true;
    if (msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo) != mrYes)
        return false;
    for (ClientTable* t : editing) t->cancel();
    for (ChildTableSave* save : refused) save->table().cancelUpdates();
    return true;
}

QString TfrmPropostaComercial::NR() const {
    return cdsProposta->active() ? (*cdsProposta)["NRPROPOSFAS"].asString() : QString();
}

QString TfrmPropostaComercial::VER() const {
    return cdsProposta->active() ? (*cdsProposta)["NRVERPROPFAS"].asString() : QString();
}

bool TfrmPropostaComercial::servicoSomente() const {
    return cdsProposta->active() && (*cdsProposta)["IDTIPOPROPFAS"].asString() == QLatin1String("S");
}

QWidget* TfrmPropostaComercial::activeControl() const {
    // The screen keeps its own focused control while a dialog is open over it.
    QWidget* w = focusWidget();
    return w && w->window() == this ? w : nullptr;
}

bool TfrmPropostaComercial::hasFocus(const QWidget* control) const {
    QWidget* w = activeControl();
    return control && w && (w == control || control->isAncestorOf(w));
}

ProposalArea* TfrmPropostaComercial::areaOf(const ClientTable* table) const {
    for (const auto& a : areas_)
        if (a->owns(table)) return a.get();
    return nullptr;
}

void TfrmPropostaComercial::registerSave(ChildTableSave* save) {
    saves_.push_back(save);
    save->taken = [this] { proposalChanged(); };
}

void TfrmPropostaComercial::proposalChanged() {
    for (const auto& a : areas_) a->proposalChanged();
}

ChildTableSave* TfrmPropostaComercial::saveOf(const ClientTable* table) const {
    for (ChildTableSave* s : saves_)
        if (&s->table() == table) return s;
    return nullptr;
}

void TfrmPropostaComercial::sendPending() {
    for (ChildTableSave* s : saves_) s->send();
}

bool TfrmPropostaComercial::hasPending() const {
    return std::any_of(saves_.begin(), saves_.end(), [](const ChildTableSave* s) { return s->pending(); });
}

void TfrmPropostaComercial::clearAreas() {
    for (const auto& a : areas_) a->clear();
}

void TfrmPropostaComercial::showPage(TTabSheet* page) { pgcPadrao->setActivePage(page); }

void TfrmPropostaComercial::attachAfterScroll() {
    cdsProposta->afterScroll = [this](ClientTable&) { cdsPropostaAfterScroll(); };
}

void TfrmPropostaComercial::withoutAfterScroll(const std::function<void()>& body) {
    cdsProposta->afterScroll = nullptr;
    const auto reattach = qScopeGuard([this] { attachAfterScroll(); });
    body();
}

}  // namespace cot
