#pragma once

namespace cot::server {
class MethodRegistry;

// AlteraSenha(senhaAtual, senhaNova): the signed-in operator changes his own password.
void registerPasswordMethods(MethodRegistry& registry);

}  // namespace cot::server
