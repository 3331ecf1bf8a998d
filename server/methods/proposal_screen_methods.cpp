#include "server/methods/proposal_screen_methods.h"

namespace cot::server {

void registerProposalScreenMethods(MethodRegistry& registry) {
    detail::registerProposalFilterMethods(registry);
    detail::registerProductLineReadMethods(registry);
    detail::registerSimulationReadMethods(registry);
    detail::registerServiceReadMethods(registry);
    detail::registerTextReadMethods(registry);
    detail::registerProposalTotalsMethods(registry);
    detail::registerProposalHistoryMethods(registry);
    detail::registerObservationMethods(registry);
    detail::registerHeaderMethods(registry);
}

}  // namespace cot::server
