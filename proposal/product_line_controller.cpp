#include "proposal/product_line_controller.h"

#include "proposal/header/header_controller.h"
#include "proposal/proposal_screen.h"
#include "proposal/readjustment/readjustment_controller.h"

namespace cot {

ProductLineController::ProductLineController(TfrmPropostaComercial& screen) : screen_(screen) {}

ProductLineController::~ProductLineController() = default;

void ProductLineController::cdsLinProdAfterScroll() {}

// The split of the readjustment between its two indexes lives with the header.
void ProductLineController::Controla_Faturamento() {
    if (screen_.header) screen_.header->readjustment().Controla_Faturamento();
}

void ProductLineController::Controla_Vr_Desconto() {}

void ProductLineController::Confirma_Venc() {}

}  // namespace cot
