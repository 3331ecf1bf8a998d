#pragma once

namespace cot {

class ClientTable;

// The fields of the proposal list and of the branch's percentages.
void defineProposalTables(ClientTable& proposal, ClientTable& paramPerc);

}  // namespace cot
