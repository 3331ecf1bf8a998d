#include "proposal/texts_controller.h"

#include "proposal/proposal_screen.h"

namespace cot {

TextsController::TextsController(TfrmPropostaComercial& screen) : screen_(screen) {}

TextsController::~TextsController() = default;

void TextsController::sbtRegeraTextoClick() {}

}  // namespace cot
