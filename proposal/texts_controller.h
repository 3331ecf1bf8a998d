#pragma once

namespace cot {

class TfrmPropostaComercial;

// Proposal texts and the observation: text rows, their checks and saving, standard-text
// lookup and the regeneration of the proposal text.
// Shell for now: handlers come with the texts work. The regeneration entry below changes
// nothing until then (nothing is sent, nothing is reported as done).
class TextsController {
public:
    explicit TextsController(TfrmPropostaComercial& screen);
    ~TextsController();

    // Regenerates the proposal texts from the standard texts.
    void sbtRegeraTextoClick();

private:
    TfrmPropostaComercial& screen_;
};

}  // namespace cot
