#include "server/methods/register_methods.h"

#include "server/methods/acceptance_methods.h"
#include "server/methods/attachment_methods.h"
#include "server/methods/client_sending_methods.h"
#include "server/methods/client_decision_methods.h"
#include "server/methods/contract_switch_methods.h"
#include "server/methods/copy_methods.h"
#include "server/methods/installment_methods.h"
#include "server/methods/offer_identity_methods.h"
#include "server/methods/pipeline_methods.h"
#include "server/methods/product_line_write_methods.h"
#include "server/methods/proposal_methods.h"
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/server_clock_methods.h"
#include "server/methods/service_text_methods.h"
#include "server/methods/simulation_write_methods.h"
#include "server/methods/system_methods.h"
#include "server/methods/version_compare_methods.h"

namespace cot::server {

void registerAllMethods(MethodRegistry& registry) {
    registerProposalMethods(registry);
    registerProposalScreenMethods(registry);
    registerServerClockMethods(registry);
    registerProductLineWriteMethods(registry);
    registerSystemMethods(registry);
    registerInstallmentMethods(registry);
    registerContractSwitchMethods(registry);
    registerServiceTextMethods(registry);
    registerCopyMethods(registry);
    registerSimulationWriteMethods(registry);
    registerAttachmentMethods(registry);
    registerAcceptanceMethods(registry);
    registerClientSendingMethods(registry);
    registerVersionCompareMethods(registry);
    registerClientDecisionMethods(registry);
    registerPipelineMethods(registry);
    registerOfferIdentityMethods(registry);
}

}  // namespace cot::server
