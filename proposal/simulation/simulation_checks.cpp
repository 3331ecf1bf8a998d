// Checks and table events of the simulations (cdsSimulacao).
#include "base/errors.h"
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

const QString kNumber = QStringLiteral("NRSIMULAPROP");
const QString kOrder = QStringLiteral("NRORDSIMULAPROP");
const QString kName = QStringLiteral("NMSIMULAPROP");
using simulation_shared::kOrderWidth;

}  // namespace

void SimulationArea::focusColumn(const QString& field) {
    if (!shown()) host_.showPage(host_.pages().tshSimulaLinp);
    movingColumn_ = true;
    dbgSimulacao->setSelectedField(field);
    movingColumn_ = false;
    if (!host_.hasFocus(dbgSimulacao) && dbgSimulacao->canFocus()) dbgSimulacao->setFocus();
}

void SimulationArea::Vd_OrdemSimula(bool report) {
    ClientTable& t = *cdsSimulacao;
    if (!t.isEditing()) return;
    const ProposalKey key = host_.key();
    try {
        simulation_shared::checkOrder(host_, t, kOrder, report, *cdsVd_Simulacao, QStringLiteral("GetVd_Simulacao"),
                                      {key.nr, key.ver});
    } catch (...) {
        focusColumn(kOrder);
        throw;
    }
}

void SimulationArea::cdsSimulacaoNewRecord() {
    // A new simulation comes with the next free order of the version.
    const ProposalKey key = host_.key();
    cdsMaxOrdSimula->setData(host_.net().getPacket(QStringLiteral("GetMaxOrdSimula"), {key.nr, key.ver}));
    if (!cdsMaxOrdSimula->isEmpty()) (*cdsSimulacao)[kOrder].setValue((*cdsMaxOrdSimula)[kOrder].value());
}

void SimulationArea::cdsSimulacaoBeforeEdit() { orderBeforeEdit_ = (*cdsSimulacao)[kOrder].asString(); }

void SimulationArea::cdsSimulacaoBeforePost() {
    ClientTable& t = *cdsSimulacao;
    const ProposalKey key = host_.key();
    const bool inserting = t.state() == DataSetState::Insert;
    // "7" typed over "007" is the same order: only a different one is asked about.
    const bool orderChanged = Consiste::Ajusta(t[kOrder].asString(), kOrderWidth) !=
                              Consiste::Ajusta(orderBeforeEdit_, kOrderWidth);
    if (inserting || orderChanged) Vd_OrdemSimula(true);
    else t[kOrder].setAsString(Consiste::Ajusta(t[kOrder].asString(), kOrderWidth));
    if (t[kName].asString().trimmed().isEmpty()) {
        focusColumn(kName);
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("Simula_Nome_Inf")));
    }
    // The number is given once, to a new simulation; an edited one keeps it, or its lines
    // would be left behind under the old one.
    if (inserting) {
        cdsMaxNrSimulaProp->setData(host_.net().getPacket(QStringLiteral("GetMaxNrSimulaProp"), {key.nr, key.ver}));
        if (!cdsMaxNrSimulaProp->isEmpty()) t[kNumber].setValue((*cdsMaxNrSimulaProp)[kNumber].value());
        insertedOrder_ = t[kOrder].asString();
    } else {
        insertedOrder_.clear();
    }
    t["NRPROPOSFAS"].setAsString(key.nr);
    t["NRVERPROPFAS"].setAsString(key.ver);
}

void SimulationArea::cdsSimulacaoBeforeDelete() {
    // What the lines still hold goes first: the delete takes them along on the server.
    lines().save_->send();
    insertedOrder_.clear();
}

void SimulationArea::cdsSimulacaoAfterPost() {
    if (save_->pending()) save_->send();
    else afterServerTook();
}

void SimulationArea::cdsSimulacaoAfterDelete() {
    // The deleted simulation's lines are gone with it: none of them stays on show, even
    // when the server refuses the delete (the simulation is then pending, not shown).
    ClientTable& l = *lines().cdsProdSimulaLinp;
    if (l.active() && !l.isEditing()) l.emptyDataSet();
    try {
        save_->send();
    } catch (...) {
        TotalGeralSimula();
        throw;
    }
}

void SimulationArea::cdsSimulacaoAfterScroll() {
    if (quiet_ || !shown()) return;
    SimulationProductsArea& l = lines();
    if (cdsSimulacao->isEditing()) {
        // A simulation being typed has no lines yet.
        if (l.cdsProdSimulaLinp->active() && l.replaceable()) l.cdsProdSimulaLinp->emptyDataSet();
    } else {
        l.loadLines();
    }
    TotalGeralSimula();
    l.updateEditors();
}

}  // namespace cot
