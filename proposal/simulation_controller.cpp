#include "proposal/simulation_controller.h"

#include "proposal/proposal_screen.h"

namespace cot {

SimulationController::SimulationController(TfrmPropostaComercial& screen) : screen_(screen) {}

SimulationController::~SimulationController() = default;

void SimulationController::TotalGeralSimula() {}

}  // namespace cot
