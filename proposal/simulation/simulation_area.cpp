#include "proposal/simulation/simulation_area.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <utility>

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_model.h"
#include "proposal/simulation/simulation_shared.h"
#include "proposal/simulation/simulation_tables.h"
#include "rpc/net_connection.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

using area_support::currentText;
using namespace layout;

namespace {

const QString kNumber = QStringLiteral("NRSIMULAPROP");
const QString kOrder = QStringLiteral("NRORDSIMULAPROP");

}  // namespace

SimulationArea::SimulationArea(AreaHost& host) : ProposalArea(host) {
    cdsSimulacao = area_support::table(&host_.dialogParent(), "cdsSimulacao");
    cdsMaxNrSimulaProp = area_support::table(&host_.dialogParent(), "cdsMaxNrSimulaProp");
    cdsVd_Simulacao = area_support::table(&host_.dialogParent(), "cdsVd_Simulacao");
    cdsMaxOrdSimula = area_support::table(&host_.dialogParent(), "cdsMaxOrdSimula");
    cdsAuxSimulacao = area_support::table(&host_.dialogParent(), "cdsAuxSimulacao");
    simulation_tables::simulationFields(*cdsSimulacao);
    simulation_tables::simulationFields(*cdsAuxSimulacao);
    simulation_tables::oneTextField(*cdsMaxNrSimulaProp, "NRSIMULAPROP", 5);
    simulation_tables::oneTextField(*cdsMaxOrdSimula, "NRORDSIMULAPROP", 3);
    simulation_tables::oneTextField(*cdsVd_Simulacao, "NRSIMULAPROP", 5);
    dtsSimulacao = area_support::source(&host_.dialogParent(), "dtsSimulacao", cdsSimulacao);

    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsSimulacao, QStringLiteral("SetSimulacao"),
                                             [](const Delta& d) { return QVariantList{QVariant::fromValue(d), QVariant()}; });
    save_->afterSend = [this] { afterServerTook(); };
    host_.registerSave(save_.get());
}

SimulationArea::~SimulationArea() {
    ClientTable& t = *cdsSimulacao;
    for (ClientTable::Event* e : {&t.onNewRecord, &t.beforeEdit, &t.beforePost, &t.beforeDelete, &t.afterPost,
                                    &t.afterDelete, &t.afterScroll, &t.afterCancel})
        *e = nullptr;
}

SimulationProductsArea& SimulationArea::lines() const { return *lines_; }

void SimulationArea::build() {
    cdsSimulacao->createDataSet();
    TTabSheet* page = host_.pages().tshSimulaLinp;
    auto* sim = column(page);
    grbSimulacao = new TGroupBox(QStringLiteral("grbSimulacao"), page, QStringLiteral("Simulação"));
    auto* inside = column(grbSimulacao, 2);
    dbgSimulacao = grid("dbgSimulacao", grbSimulacao, dtsSimulacao, false);
    dbgSimulacao->addColumn(kOrder, {}, 60);
    dbgSimulacao->addColumn(QStringLiteral("NMSIMULAPROP"), {}, 360);
    dbgSimulacao->addColumn(QStringLiteral("VRTOTALICENCUSO"), {}, 150)->readOnly = true;
    dbgSimulacao->addColumn(QStringLiteral("VRTOTAMENSALIDA"), {}, 150)->readOnly = true;

    auto* totals = new QHBoxLayout;
    const auto total = [&](const char* name, const char* caption) {
        return simulation_shared::addTotal(*totals, grbSimulacao, name, caption);
    };
    totals->addStretch();
    nedTotaLicSimula = total("nedTotaLicSimula", "Total Geral Licença de Uso");
    nedTotaMensSimula = total("nedTotaMensSimula", "Total Geral Mensal");
    inside->addLayout(totals);
    sim->addWidget(grbSimulacao, 1);
    attachEvents();
}

void SimulationArea::route() {
    dbgSimulacao->onEnter = [this] { dbgSimulacaoEnter(); };
    dbgSimulacao->onColExit = [this] { dbgSimulacaoColExit(); };
    dbgSimulacao->onKeyPress = [this](QChar& key) { dbgSimulacaoKeyPress(key); };
    dbgSimulacao->onKeyDown = [this](int& key, Qt::KeyboardModifiers m) { dbgSimulacaoKeyDown(key, m); };
}

void SimulationArea::attachEvents() {
    ClientTable& t = *cdsSimulacao;
    t.onNewRecord = [this](ClientTable&) { cdsSimulacaoNewRecord(); };
    t.beforeEdit = [this](ClientTable&) { cdsSimulacaoBeforeEdit(); };
    t.beforePost = [this](ClientTable&) { cdsSimulacaoBeforePost(); };
    t.beforeDelete = [this](ClientTable&) { cdsSimulacaoBeforeDelete(); };
    t.afterPost = [this](ClientTable&) { cdsSimulacaoAfterPost(); };
    t.afterDelete = [this](ClientTable&) { cdsSimulacaoAfterDelete(); };
    t.afterScroll = [this](ClientTable&) { cdsSimulacaoAfterScroll(); };
    // A new simulation given up leaves the cursor where it was, without a scroll: its
    // lines come back.
    t.afterCancel = [this](ClientTable&) { cdsSimulacaoAfterScroll(); };
}

bool SimulationArea::shown() const { return host_.pages().pgcPadrao->activePage() == host_.pages().tshSimulaLinp; }

bool SimulationArea::proposalOpen() const {
    const ClientTable& p = host_.proposal();
    return p.active() && !p.isEmpty() && !p.isEditing() && !host_.model().serviceOnly();
}

QString SimulationArea::currentSimulation() const {
    if (!cdsSimulacao->active() || (cdsSimulacao->isEmpty() && !cdsSimulacao->isEditing())) return {};
    return (*cdsSimulacao)[kNumber].asString();
}

bool SimulationArea::simulationStored() const {
    const ClientTable& t = *cdsSimulacao;
    return proposalOpen() && t.active() && !t.isEmpty() && t.state() == DataSetState::Browse && !save_->pending() &&
           !t[kNumber].asString().trimmed().isEmpty();
}

void SimulationArea::load(const ProposalKey& key) {
    if (!shown()) return;
    readSimulations(key, currentText(*cdsSimulacao, kNumber));
    // The lines follow in their own area's load.
}

void SimulationArea::reloadSimulations(const QString& number) { readSimulations(host_.key(), number); }

void SimulationArea::readSimulations(const ProposalKey& key, const QString& number) {
    const QScopedValueRollback<bool> quiet(quiet_, true);
    cdsSimulacao->setData(host_.net().getPacket(QStringLiteral("GetSimulacao"), {key.nr, key.ver}));
    if (!number.isEmpty()) cdsSimulacao->locate(kNumber, number, loCaseInsensitive);
}

void SimulationArea::afterServerTook() {
    const QString order = std::exchange(insertedOrder_, QString());
    if (!shown()) return;
    if (order.isEmpty()) {
        reloadSimulations(currentSimulation());
    } else {
        // A new simulation: its number is the one the server issued, found by its order.
        reloadSimulations({});
        cdsSimulacao->locate(kOrder, order);
    }
    lines().loadLines();
    TotalGeralSimula();
    settle();
}

void SimulationArea::settle() {
    updateEditors();
    lines().updateEditors();
    host_.stateChanged();
}

void SimulationArea::pageShown() {
    if (!shown()) return;
    // The page opens on its simulations.
    if (!host_.hasFocus(dbgSimulacao) && !host_.hasFocus(lines().dbgProdSimulaLinp) && dbgSimulacao->canFocus())
        dbgSimulacao->setFocus();
    if (host_.hasFocus(dbgSimulacao)) host_.setActiveTable(cdsSimulacao);
}

void SimulationArea::clear() {
    ProposalArea::clear();
    TotalGeralSimula();
}

void SimulationArea::enable(MaintenanceEnabling& e) {
    if (cdsSimulacao->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = e.verificar = false;
        e.cancelar = e.confirmar = true;
        return;
    }
    const bool rows = cdsSimulacao->active() && !cdsSimulacao->isEmpty();
    e.incluir = proposalOpen() && cdsSimulacao->active();
    e.alterar = e.excluir = proposalOpen() && rows;
    e.procurar = rows;
    e.cancelar = e.confirmar = false;
}

void SimulationArea::updateEditors() { dbgSimulacao->setReadOnly(!proposalOpen() && !cdsSimulacao->isEditing()); }

void SimulationArea::afterInclude() {
    if (!shown() || !cdsSimulacao->isEditing()) return;
    // The order came with the new row: the name is what is left to type.
    if (host_.hasFocus(dbgSimulacao) || dbgSimulacao->canFocus()) focusColumn(QStringLiteral("NMSIMULAPROP"));
}

void SimulationArea::verify(QStringList& kept) {
    if (!shown() || !host_.hasFocus(dbgSimulacao)) return;
    if (!area_support::reloadable(host_, {cdsSimulacao}, name(), kept)) return;
    reloadSimulations(currentText(*cdsSimulacao, kNumber));
    // The lines and the totals follow in the lines' part of the command.
}

}  // namespace cot
