#pragma once

namespace cot::server {
class MethodRegistry;

// The attachment right of an operator: GetControlaAnexo.
// Arguments and results are described at the top of the source.
void registerAttachmentMethods(MethodRegistry& registry);
}  // namespace cot::server
