#include "proposal/header_controller.h"

#include "proposal/proposal_screen.h"

namespace cot {

HeaderController::HeaderController(TfrmPropostaComercial& screen) : screen_(screen) {}

HeaderController::~HeaderController() = default;

}  // namespace cot
