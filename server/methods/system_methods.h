#pragma once

namespace cot::server {
class MethodRegistry;

// The systems of a product line: GetSistema, InsereSistema, SetSistema.
// Arguments and results are described at the top of the source.
void registerSystemMethods(MethodRegistry& registry);
}  // namespace cot::server
