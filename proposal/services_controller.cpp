#include "proposal/services_controller.h"

#include "proposal/proposal_screen.h"

namespace cot {

ServicesController::ServicesController(TfrmPropostaComercial& screen) : screen_(screen) {}

ServicesController::~ServicesController() = default;

void ServicesController::Atualiza_Total_Servico() {}

void ServicesController::Gera_ValorPacoteServ() {}

void ServicesController::pgcServicoGeralChange() {}

void ServicesController::Confirma_VencServ() {}

}  // namespace cot
