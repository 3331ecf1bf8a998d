#pragma once

namespace cot {

class TfrmPropostaComercial;

// Proposal header: checks and saving of cdsProposta, client/prospect, contact, operators,
// interlocutor and readjustment indexes, laid out in the screen's panProp.
// Shell for now: handlers come with the header work; it attaches nothing yet.
class HeaderController {
public:
    explicit HeaderController(TfrmPropostaComercial& screen);
    ~HeaderController();

private:
    TfrmPropostaComercial& screen_;
};

}  // namespace cot
