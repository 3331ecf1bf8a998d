#pragma once

#include "server/auth/session_store.h"

namespace cot::server {
class MethodRegistry;

// AbreSessao(operador, senha[, filial]): checks the password and opens a session;
// FechaSessao(): ends the caller's session; and the operator's own password
// (password_methods.h).
void registerSignInMethods(MethodRegistry& registry, const SessionLimits& limits);
}  // namespace cot::server
