#pragma once

namespace cot {
struct Delta;
}

namespace cot::server {
class Database;
class MethodRegistry;

// The proposal header family: GetProposta, SetProposta, PrxProposta, getMaxVerPropFas,
// ValidaProposta, GetParamPerc, GetVeTodasPropostas.
void registerProposalMethods(MethodRegistry& registry);

// Applies the header's change log inside the caller's transaction (SetProposta, and the
// contract switch that saves the header together with its lines).
void applyProposalDelta(Database& db, const Delta& delta);
}  // namespace cot::server
