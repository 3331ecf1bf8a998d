// The simulations grid: entering it, the order check on leaving the order column of a new
// row, and the keys it takes.
#include "data/client_table.h"
#include "proposal/simulation/simulation_area.h"
#include "proposal/simulation/simulation_keys.h"
#include "ui/db_grid.h"

namespace cot {

void SimulationArea::dbgSimulacaoEnter() {
    host_.setActiveTable(cdsSimulacao);
    // Moving between simulations replaces the lines: a line being typed is posted first
    // (its checks keep it, and the focus, when it is not complete).
    ClientTable& l = *lines().cdsProdSimulaLinp;
    if (l.isEditing()) l.post();
}

void SimulationArea::dbgSimulacaoColExit() {
    if (movingColumn_ || cdsSimulacao->state() != DataSetState::Insert) return;
    if (simulation_keys::isColumn(dbgSimulacao->selectedColumn(), QStringLiteral("NRORDSIMULAPROP")))
        Vd_OrdemSimula(false);
}

void SimulationArea::dbgSimulacaoKeyPress(QChar& key) {
    if (simulation_keys::isColumn(dbgSimulacao->selectedColumn(), QStringLiteral("NRORDSIMULAPROP")))
        simulation_keys::orderKey(key);
}

void SimulationArea::dbgSimulacaoKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    simulation_keys::noRecordDelete(key, modifiers);
}

}  // namespace cot
