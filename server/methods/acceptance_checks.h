#pragma once
// What the approval refuses before it asks for an acceptance, checked again on the rows as
// stored, so a call that does not come through the desktop's checks accepts nothing they
// would refuse. Each rule mirrors one of the desktop's (the approval launch's checks and
// the approval dialog's) and answers with the same text.
#include "server/methods/acceptance_charging.h"

namespace cot::server::acceptance {

// Refused (MethodError) when, in this order:
//  - a product line's installments do not pay its licence total, with or without the
//    interest of the proposal parameters (any contract);
//  - a line of a licence-of-use proposal has no installment;
//  - the service package (services charged as a package) has services or a value but no
//    installment, or installments that do not add up to the package;
//  - a line's grace month ends before the acceptance date;
//  - a licence installment (licence-of-use proposal) or the package's first installment
//    falls due before the acceptance date.
// Reads only: runs before anything of the acceptance is written.
void checkAcceptable(Database& db, const AcceptedProposal& proposal);

}  // namespace cot::server::acceptance
