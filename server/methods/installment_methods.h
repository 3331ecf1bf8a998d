#pragma once

namespace cot::server {
class MethodRegistry;

// The licence installments of the product lines: SetVencimento, ValidaVenc, GetMinDtVenc.
// Arguments and results are described at the top of the source.
void registerInstallmentMethods(MethodRegistry& registry);
}  // namespace cot::server
