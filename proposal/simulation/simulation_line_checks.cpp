// Checks and table events of the lines of a simulation (cdsProdSimulaLinp).
#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/simulation/simulation_shared.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "ui/busy_animation.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

namespace {

const QString kOrder = QStringLiteral("NRORDLINPSIMULA");
const QString kLine = QStringLiteral("CDLINPPROP");
const QString kName = QStringLiteral("NMLINPPROP");
const QString kQuantity = QStringLiteral("QTUTILSIMULINP");
using simulation_shared::kOrderWidth;

}  // namespace

void SimulationProductsArea::focusColumn(const QString& field) {
    if (!simulations_.shown()) host_.showPage(host_.pages().tshSimulaLinp);
    movingColumn_ = true;
    dbgProdSimulaLinp->setSelectedField(field);
    movingColumn_ = false;
    if (!host_.hasFocus(dbgProdSimulaLinp) && dbgProdSimulaLinp->canFocus()) dbgProdSimulaLinp->setFocus();
}

void SimulationProductsArea::Vd_ProdOrdemSimula(bool report) {
    ClientTable& t = *cdsProdSimulaLinp;
    if (!t.isEditing()) return;
    try {
        simulation_shared::checkOrder(host_, t, kOrder, report, *cdsVd_ProdSimulaLinp, QStringLiteral("GetVd_ProdSimulaLinp"),
                                      simulationArgs(simulations_.currentSimulation()) << t[kLine].asString());
    } catch (...) {
        focusColumn(kOrder);
        throw;
    }
}

void SimulationProductsArea::Vd_SimulaLinp() {
    ClientTable& t = *cdsProdSimulaLinp;
    if (!t.isEditing()) return;
    cdsVd_SimulaLinp->setData(host_.net().getPacket(
        QStringLiteral("GetVd_SimulaLinp"), simulationArgs(simulations_.currentSimulation()) << t[kLine].asString()));
    if (!cdsVd_SimulaLinp->isEmpty()) {
        // A line is listed once in a simulation.
        focusColumn(kName);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Linp_Ja_Inf")));
    }
}

void SimulationProductsArea::cdsProdSimulaLinpNewRecord() {
    // A new line comes with the next free order of its simulation.
    const QString simulation = simulations_.currentSimulation();
    if (simulation.isEmpty()) return;
    cdsMaxOrdProdSimula->setData(
        host_.net().getPacket(QStringLiteral("GetMaxOrdProdSimula"), simulationArgs(simulation)));
    if (!cdsMaxOrdProdSimula->isEmpty())
        (*cdsProdSimulaLinp)[kOrder].setValue((*cdsMaxOrdProdSimula)[kOrder].value());
}

void SimulationProductsArea::cdsProdSimulaLinpBeforeEdit() {
    ClientTable& t = *cdsProdSimulaLinp;
    orderBeforeEdit_ = t[kOrder].asString();
    lineBeforeEdit_ = t[kLine].asString();
    // Editing starts at the order, unless the edit comes from typing into a cell that
    // takes typing, or from picking the line: the cursor stays where the user is.
    if (picking_) return;
    const TColumn* c = dbgProdSimulaLinp->selectedColumn();
    const bool typedCell = c && (c->fieldName.compare(kOrder, Qt::CaseInsensitive) == 0 ||
                                 c->fieldName.compare(kQuantity, Qt::CaseInsensitive) == 0);
    if (!typedCell) focusColumn(kOrder);
}

void SimulationProductsArea::cdsProdSimulaLinpBeforePost() {
    ClientTable& t = *cdsProdSimulaLinp;
    const bool inserting = t.state() == DataSetState::Insert;
    const bool orderChanged = Consiste::Ajusta(t[kOrder].asString(), kOrderWidth) !=
                              Consiste::Ajusta(orderBeforeEdit_, kOrderWidth);
    if (inserting || orderChanged) Vd_ProdOrdemSimula(true);
    else t[kOrder].setAsString(Consiste::Ajusta(t[kOrder].asString(), kOrderWidth));
    if (inserting || t[kLine].asString() != lineBeforeEdit_) Vd_SimulaLinp();
    if (t[kName].asString().trimmed().isEmpty()) {
        focusColumn(kName);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("LINP_N_INF")));
    }
    if (t[kQuantity].isNull()) {
        focusColumn(kQuantity);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("QT_SIMULA_N_INF")));
    }
    // The line belongs to the current simulation.
    const ClientTable& sim = *simulations_.cdsSimulacao;
    for (const char* f : {"NRSIMULAPROP", "NRPROPOSFAS", "NRVERPROPFAS", "NRORDSIMULAPROP"})
        t[QString::fromLatin1(f)].setValue(sim[QString::fromLatin1(f)].value());
}

void SimulationProductsArea::cdsProdSimulaLinpAfterPost() {
    if (save_->pending()) save_->send();
    else afterServerTook();
}

}  // namespace cot
