#include "server/methods/service_text_methods.h"

namespace cot::server {

void registerServiceTextMethods(MethodRegistry& registry) {
    detail::registerServiceWriteMethods(registry);
    detail::registerServiceInstallmentMethods(registry);
    detail::registerTextWriteMethods(registry);
    detail::registerStandardTextMethods(registry);
}

}  // namespace cot::server
