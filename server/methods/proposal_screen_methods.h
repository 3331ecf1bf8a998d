#pragma once

namespace cot::server {
class MethodRegistry;

// The read and lookup methods of the proposal screen, its filter and its header:
// GetPropostaAux, GetPesqCliente, GetPesqProspect, GetPesqCont (filter);
// GetLinProd, GetVenc_Valor, GetSistLinhaProd (product lines);
// GetSimulacao, GetProdSimulaLinp, GetMaxOrdSimula, GetMaxOrdProdSimula (simulation);
// GetServico, GetObjServico, InsereServicoAuto (services); GetMensagem, GetObs, SetObs (texts);
// GetTotaisProposta (the running total);
// GetPesqContato, GetInterLoc, GetPesqInterLoc, SetUpdReaju, GetPesqProdComer,
// GetVd_ProdComer, GetValidaSistProd (header lookups and checks).
// Arguments and results are described next to each method in its source.
void registerProposalScreenMethods(MethodRegistry& registry);

namespace detail {
void registerProposalFilterMethods(MethodRegistry& registry);
void registerProductLineReadMethods(MethodRegistry& registry);
void registerSimulationReadMethods(MethodRegistry& registry);
void registerServiceReadMethods(MethodRegistry& registry);
void registerTextReadMethods(MethodRegistry& registry);
void registerProposalTotalsMethods(MethodRegistry& registry);
void registerProposalHistoryMethods(MethodRegistry& registry);
void registerObservationMethods(MethodRegistry& registry);
void registerHeaderMethods(MethodRegistry& registry);
void registerCommercialProductMethods(MethodRegistry& registry);
}  // namespace detail

}  // namespace cot::server
