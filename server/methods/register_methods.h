#pragma once

namespace cot::server {
class MethodRegistry;

// Registers every remote method of "COT05000.rdmProposta" with its argument count.
void registerAllMethods(MethodRegistry& registry);
}  // namespace cot::server
