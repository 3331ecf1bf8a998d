#pragma once

namespace cot::server {
class MethodRegistry;

// Copy of a proposal to a new version: CopiaProposta, CopiaDados.
void registerCopyMethods(MethodRegistry& registry);
}  // namespace cot::server
