#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "data/data_source.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/simulation/simulation_shared.h"
#include "proposal/simulation/simulation_tables.h"
#include "rpc/net_connection.h"
#include "services/messages.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

using area_support::currentText;
using namespace layout;

namespace {

const QString kOrder = QStringLiteral("NRORDLINPSIMULA");

}  // namespace

SimulationProductsArea::SimulationProductsArea(AreaHost& host, SimulationArea& simulations)
    : ProposalArea(host), simulations_(simulations) {
    simulations_.lines_ = this;
    cdsProdSimulaLinp = area_support::table(&host_.dialogParent(), "cdsProdSimulaLinp");
    cdsPesqProdLinp = area_support::table(&host_.dialogParent(), "cdsPesqProdLinp");
    cdsMaxOrdProdSimula = area_support::table(&host_.dialogParent(), "cdsMaxOrdProdSimula");
    cdsAuxProdSimulaLinp = area_support::table(&host_.dialogParent(), "cdsAuxProdSimulaLinp");
    cdsVd_ProdSimulaLinp = area_support::table(&host_.dialogParent(), "cdsVd_ProdSimulaLinp");
    cdsVd_SimulaLinp = area_support::table(&host_.dialogParent(), "cdsVd_SimulaLinp");
    simulation_tables::simulatedLineFields(*cdsProdSimulaLinp);
    simulation_tables::simulatedLineFields(*cdsAuxProdSimulaLinp);
    simulation_tables::productLinePickFields(*cdsPesqProdLinp);
    simulation_tables::oneTextField(*cdsMaxOrdProdSimula, "NRORDLINPSIMULA", 3);
    simulation_tables::oneTextField(*cdsVd_ProdSimulaLinp, "NRSIMULAPROP", 5);
    simulation_tables::oneTextField(*cdsVd_SimulaLinp, "CDLINPPROP", 20);
    simulation_tables::lineTypeWords((*cdsProdSimulaLinp)[QStringLiteral("IDTIPLINPP")], host_.messages());
    simulation_tables::lineTypeWords((*cdsPesqProdLinp)[QStringLiteral("IDTIPLINPP")], host_.messages());
    dtsProdSimulaLinp = area_support::source(&host_.dialogParent(), "dtsProdSimulaLinp", cdsProdSimulaLinp);
    dtsPesqProdLinp = area_support::source(&host_.dialogParent(), "dtsPesqProdLinp", cdsPesqProdLinp);

    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsProdSimulaLinp, QStringLiteral("SetSimulacao"),
                                             [](const Delta& d) { return QVariantList{QVariant(), QVariant::fromValue(d)}; });
    save_->afterSend = [this] { afterServerTook(); };
    host_.registerSave(save_.get());
}

SimulationProductsArea::~SimulationProductsArea() {
    simulations_.lines_ = nullptr;
    ClientTable& t = *cdsProdSimulaLinp;
    for (ClientTable::Event* e : {&t.onNewRecord, &t.beforeEdit, &t.beforePost, &t.afterPost, &t.afterDelete})
        *e = nullptr;
    for (ClientTable* table : {cdsProdSimulaLinp, cdsPesqProdLinp}) {
        (*table)[QStringLiteral("IDTIPLINPP")].onGetText = nullptr;
        (*table)[QStringLiteral("IDTIPLINPP")].onSetText = nullptr;
    }
}

void SimulationProductsArea::build() {
    cdsProdSimulaLinp->createDataSet();
    // The line is picked from the proposal's lines, never typed.
    (*cdsProdSimulaLinp)["NMLINPPROP"].tag = 1;
    TTabSheet* page = host_.pages().tshSimulaLinp;
    grbProdSimulaLinp = new TGroupBox(QStringLiteral("grbProdSimulaLinp"), page, QStringLiteral("Linha de Produto"));
    auto* inside = column(grbProdSimulaLinp, 2);
    dbgProdSimulaLinp = grid("dbgProdSimulaLinp", grbProdSimulaLinp, dtsProdSimulaLinp, false);
    dbgProdSimulaLinp->addColumn(kOrder, {}, 50);
    dbgProdSimulaLinp->addColumn(QStringLiteral("NMLINPPROP"), {}, 220)->buttonStyle = ColumnButtonStyle::Ellipsis;
    dbgProdSimulaLinp->addColumn(QStringLiteral("IDTIPLINPP"), {}, 170)->readOnly = true;
    dbgProdSimulaLinp->addColumn(QStringLiteral("QTUTILSIMULINP"), {}, 80)->alignment = Qt::AlignRight;
    for (const char* f : {"VRLICENCUSOPROP", "VRTOTASIMULALUSO", "VRMENSALIDAPROP", "VRTOTASIMULAMENS"}) {
        TColumn* c = dbgProdSimulaLinp->addColumn(QString::fromLatin1(f), {}, 110);
        c->readOnly = true;
        c->alignment = Qt::AlignRight;
    }

    auto* totals = new QHBoxLayout;
    const auto total = [&](const char* name, const char* caption) {
        return simulation_shared::addTotal(*totals, grbProdSimulaLinp, name, caption);
    };
    totals->addStretch();
    nedTotaLinpSimula = total("nedTotaLinpSimula", "Total da simulação LU");
    nedTotaMensLinpSimula = total("nedTotaMensLinpSimula", "Total da simulação mensal");
    inside->addLayout(totals);
    static_cast<QVBoxLayout*>(page->layout())->addWidget(grbProdSimulaLinp, 1);
    attachEvents();
}

void SimulationProductsArea::route() {
    dbgProdSimulaLinp->onEnter = [this] { dbgProdSimulaLinpEnter(); };
    dbgProdSimulaLinp->onColExit = [this] { dbgProdSimulaLinpColExit(); };
    dbgProdSimulaLinp->onEditButtonClick = [this] { dbgProdSimulaLinpEditButtonClick(); };
    dbgProdSimulaLinp->onKeyPress = [this](QChar& key) { dbgProdSimulaLinpKeyPress(key); };
    dbgProdSimulaLinp->onKeyDown = [this](int& key, Qt::KeyboardModifiers m) { dbgProdSimulaLinpKeyDown(key, m); };
}

void SimulationProductsArea::attachEvents() {
    ClientTable& t = *cdsProdSimulaLinp;
    t.onNewRecord = [this](ClientTable&) { cdsProdSimulaLinpNewRecord(); };
    t.beforeEdit = [this](ClientTable&) { cdsProdSimulaLinpBeforeEdit(); };
    t.beforePost = [this](ClientTable&) { cdsProdSimulaLinpBeforePost(); };
    t.afterPost = [this](ClientTable&) { cdsProdSimulaLinpAfterPost(); };
    t.afterDelete = [this](ClientTable&) { save_->send(); };
}

QVariantList SimulationProductsArea::simulationArgs(const QString& simulation) const {
    const ProposalKey key = host_.key();
    return {key.nr, key.ver, simulation};
}

bool SimulationProductsArea::replaceable() const {
    return !cdsProdSimulaLinp->isEditing() && !save_->pending();
}

void SimulationProductsArea::loadLines() {
    ClientTable& t = *cdsProdSimulaLinp;
    if (t.isEditing()) return;  // posted before the simulations are left (dbgSimulacaoEnter)
    // What the server has not taken yet goes first; a refusal keeps the rows on show.
    save_->send();
    const QString simulation = simulations_.currentSimulation();
    if (simulation.isEmpty() || simulations_.cdsSimulacao->isEditing()) {
        if (t.active()) t.emptyDataSet();
        else t.createDataSet();
        return;
    }
    t.setData(host_.net().getPacket(QStringLiteral("GetProdSimulaLinp"), simulationArgs(simulation)));
}

void SimulationProductsArea::load(const ProposalKey& /*key*/) {
    if (!simulations_.shown()) return;
    loadLines();
    simulations_.TotalGeralSimula();
    updateEditors();
}

void SimulationProductsArea::afterServerTook() {
    SimulationArea& sims = simulations_;
    if (!sims.shown()) return;
    const QString simulation = sims.currentSimulation();
    const QString line = currentText(*cdsProdSimulaLinp, kOrder);
    // The server keeps the simulation totals: the list is read again on the same one.
    if (ChildTableSave* pending = host_.saveOf(sims.cdsSimulacao)) pending->send();
    sims.reloadSimulations(simulation);
    loadLines();
    if (!line.isEmpty()) cdsProdSimulaLinp->locate(kOrder, line);
    sims.TotalGeralSimula();
    sims.settle();
}

void SimulationProductsArea::enable(MaintenanceEnabling& e) {
    if (cdsProdSimulaLinp->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = e.verificar = false;
        e.cancelar = e.confirmar = true;
        return;
    }
    const bool rows = cdsProdSimulaLinp->active() && !cdsProdSimulaLinp->isEmpty();
    // Lines go to a simulation the server holds.
    const bool stored = simulations_.simulationStored();
    e.incluir = stored && cdsProdSimulaLinp->active();
    e.alterar = e.excluir = stored && rows;
    e.procurar = rows;
    e.cancelar = e.confirmar = false;
}

void SimulationProductsArea::updateEditors() {
    dbgProdSimulaLinp->setReadOnly(!cdsProdSimulaLinp->isEditing() && !simulations_.simulationStored());
}

void SimulationProductsArea::afterInclude() {
    if (!simulations_.shown() || !cdsProdSimulaLinp->isEditing()) return;
    // The order came with the new row: the line is what is left to choose.
    focusColumn(QStringLiteral("NMLINPPROP"));
}

void SimulationProductsArea::verify(QStringList& kept) {
    SimulationArea& sims = simulations_;
    if (!sims.shown()) return;
    const bool simulationsListed = sims.cdsSimulacao->active() && !sims.cdsSimulacao->isEmpty();
    if (host_.hasFocus(dbgProdSimulaLinp) || simulationsListed) {
        ClientTable& t = *cdsProdSimulaLinp;
        if (area_support::reloadable(host_, {cdsProdSimulaLinp}, name(), kept)) {
            const QString line = currentText(t, kOrder);
            t.setData(host_.net().getPacket(QStringLiteral("GetProdSimulaLinp"), simulationArgs(sims.currentSimulation())));
            if (!line.isEmpty()) t.locate(kOrder, line);
        }
    }
    sims.TotalGeralSimula();
    sims.settle();
}

}  // namespace cot
