#pragma once

namespace cot::server {
class MethodRegistry;

// Copy of a proposal to a new version: CopiaProposta, CopiaDados.
void registerCopyMethods(MethodRegistry& registry);

// Saves and checks of the price simulations: SetSimulacao, GetMaxNrSimulaProp,
// GetVd_Simulacao, GetVd_SimulaLinp, GetVd_ProdSimulaLinp, GetPesqProdLinp.
void registerSimulationWriteMethods(MethodRegistry& registry);

// The attachment right of an operator: GetControlaAnexo.
void registerAttachmentMethods(MethodRegistry& registry);
}  // namespace cot::server
