#pragma once

namespace cot {

class TfrmPropostaComercial;

// Price simulations of the proposal's product lines and the commercial product of the
// header.
// Shell for now: handlers come with the simulation work. The totals entry below changes
// nothing until then.
class SimulationController {
public:
    explicit SimulationController(TfrmPropostaComercial& screen);
    ~SimulationController();

    // Recomputes the totals shown under the simulation grids.
    void TotalGeralSimula();

private:
    TfrmPropostaComercial& screen_;
};

}  // namespace cot
