#pragma once

namespace cot::server {
class MethodRegistry;

// Who offers a proposal version and who sells it, for its documents: GetIdentidadeProposta.
// Arguments and results are described at the top of the source.
void registerOfferIdentityMethods(MethodRegistry& registry);
}  // namespace cot::server
