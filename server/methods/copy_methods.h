#pragma once

namespace cot::server {
class MethodRegistry;

// Copy of a proposal to a new version: CopiaProposta, CopiaDados.
// Arguments and results are described at the top of the source.
void registerCopyMethods(MethodRegistry& registry);
}  // namespace cot::server
