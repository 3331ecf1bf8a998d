#pragma once

namespace cot::server {

class MethodRegistry;

// The sales pipeline's figures (GetPainelPropostas; see pipeline_methods.cpp).
void registerPipelineMethods(MethodRegistry& registry);

}  // namespace cot::server
