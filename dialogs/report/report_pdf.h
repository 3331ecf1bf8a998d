#pragma once
#include <QByteArray>

namespace cot {

class ProposalReach;

// The report of the proposal version under the screen's cursor as a PDF in memory: the
// same report, chosen the same way, the print button writes. The texts are brought up to
// date on the server first, as printing does (a proposal without texts is given the
// standard ones). A refusal of the server is shown and ends the operation (Abort); a
// proposal whose contract has no report is a UserError.
QByteArray proposalPdf(ProposalReach& reach);

}  // namespace cot
