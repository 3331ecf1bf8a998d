#pragma once

namespace cot::server {
class MethodRegistry;

// Sending a proposal version to its client with the link to his page: EnviarAoCliente,
// GetEnvios, RevogarEnvio; the client's page as the salesperson previews it: GetPaginaCliente.
void registerClientSendingMethods(MethodRegistry& registry);
}  // namespace cot::server
