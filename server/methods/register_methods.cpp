#include "methods/register_methods.h"

#include "methods/proposal_methods.h"
#include "methods/proposal_screen_methods.h"

namespace cot::server {

void registerAllMethods(MethodRegistry& registry) {
    registerProposalMethods(registry);
    registerProposalScreenMethods(registry);
}

}  // namespace cot::server
