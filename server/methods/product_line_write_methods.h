#pragma once

namespace cot::server {
class MethodRegistry;

// The product lines' keys, saves and checks: PrxLinhaProd, SetLinProd, ValidaLinhaProd,
// GetVdLinProd, GetVdQtPtoAcesso, ValidaContrato.
// Arguments and results are described at the top of the source.
void registerProductLineWriteMethods(MethodRegistry& registry);
}  // namespace cot::server
