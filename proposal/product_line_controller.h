#pragma once

namespace cot {

class TfrmPropostaComercial;

// Product lines of the proposal: line records, pricing and discounts, systems and the
// installment schedule of each line.
// Shell for now: handlers come with the product-line work. The entries below are the ones
// the screen calls; until then they change nothing (no table is touched, nothing is sent).
class ProductLineController {
public:
    explicit ProductLineController(TfrmPropostaComercial& screen);
    ~ProductLineController();

    // Current line changed: copy it into the form's radio buttons and reload its children.
    void cdsLinProdAfterScroll();
    // Readjustment split control of the form.
    void Controla_Faturamento();
    // Refreshes both discounted values of the form.
    void Controla_Vr_Desconto();
    // Checks and sends the pending installments of the current line.
    void Confirma_Venc();

private:
    TfrmPropostaComercial& screen_;
};

}  // namespace cot
