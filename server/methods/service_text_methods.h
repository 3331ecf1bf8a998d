#pragma once
// The write side of the services, their charging and package installments, and the
// proposal texts with the standard-text register. Arguments and results are described
// at the top of each source.

namespace cot::server {
class MethodRegistry;

// Every method below.
void registerServiceTextMethods(MethodRegistry& registry);

namespace detail {
// SetServico, SetObjServico, GetTipoServObr.
void registerServiceWriteMethods(MethodRegistry& registry);
// SetTipoCobrServ, SetVencServ, ValidaVencServ.
void registerServiceInstallmentMethods(MethodRegistry& registry);
// SetMensagem, ValidaMsg, ValidaOrdem, PesqMsg.
void registerTextWriteMethods(MethodRegistry& registry);
// GerarTextoPadraoProp, RestauraTextoProp, AlteraTexto, GetTextoMens, InsTextoProp.
void registerStandardTextMethods(MethodRegistry& registry);
}  // namespace detail

}  // namespace cot::server
