#pragma once

namespace cot::server {
class MethodRegistry;

// SetTipoContrato: the contract switch with every line converted, in one transaction.
// Arguments and results are described at the top of the source.
void registerContractSwitchMethods(MethodRegistry& registry);
}  // namespace cot::server
