#pragma once

namespace cot::server {

class MethodRegistry;

// The client's decision on a version and the versions the salesperson marks lost
// (GetDecisaoCliente, MarcarPerdida, DesmarcarPerdida; see client_decision_methods.cpp).
void registerClientDecisionMethods(MethodRegistry& registry);

}  // namespace cot::server
