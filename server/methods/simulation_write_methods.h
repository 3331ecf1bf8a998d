#pragma once

namespace cot::server {
class MethodRegistry;

// Saves and checks of the price simulations: SetSimulacao, GetMaxNrSimulaProp,
// GetVd_Simulacao, GetVd_SimulaLinp, GetVd_ProdSimulaLinp, GetPesqProdLinp.
// Arguments and results are described at the top of the source.
void registerSimulationWriteMethods(MethodRegistry& registry);
}  // namespace cot::server
