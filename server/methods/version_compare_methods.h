#pragma once

namespace cot::server {
class MethodRegistry;

// Two versions of a proposal side by side: GetComparacaoVersoes.
// Arguments and results are described at the top of the source.
void registerVersionCompareMethods(MethodRegistry& registry);
}  // namespace cot::server
