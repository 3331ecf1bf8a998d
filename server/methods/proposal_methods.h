#pragma once

namespace cot::server {
class MethodRegistry;

// The proposal header family: GetProposta, SetProposta, PrxProposta, getMaxVerPropFas,
// ValidaProposta, GetParamPerc.
void registerProposalMethods(MethodRegistry& registry);
}  // namespace cot::server
