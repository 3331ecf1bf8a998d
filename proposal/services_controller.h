#pragma once

namespace cot {

class TfrmPropostaComercial;

// Services of the proposal: service items, the charging type, the package value and the
// package installments, and the services' objective text.
// Shell for now: handlers come with the services work. The entries below are the ones the
// screen calls; until then they change nothing (no table is touched, nothing is sent).
class ServicesController {
public:
    explicit ServicesController(TfrmPropostaComercial& screen);
    ~ServicesController();

    // Shows the sum of the package installments.
    void Atualiza_Total_Servico();
    // Establishes the package value from the services and the first installment.
    void Gera_ValorPacoteServ();
    // The services page control changed tab: reload what the tab shows.
    void pgcServicoGeralChange();
    // Checks and sends the pending package installments.
    void Confirma_VencServ();

private:
    TfrmPropostaComercial& screen_;
};

}  // namespace cot
