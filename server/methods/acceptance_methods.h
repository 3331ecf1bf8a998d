#pragma once

namespace cot::server {
class MethodRegistry;

// Acceptance of a proposal and what the approval asks around it: AceiteProposta,
// InsereCliente, Valida_Servico_LinhaProd, GetParamEmail.
void registerAcceptanceMethods(MethodRegistry& registry);
}  // namespace cot::server
