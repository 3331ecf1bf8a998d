#pragma once
#include <QString>

#include "data/proposal_document.h"

namespace cot {

class NetConnection;
class TMessages;

// Reads a proposal version from the server through `net` (every call through the result
// check: a refusal is shown and ends the operation). A version the branch does not hold
// is a UserError with the text of `messages` (keys PROP_INF, PROP_NAO_CAD).
// What the report prints of it, as the server holds it.
ProposalDocument readProposalReport(NetConnection& net, const QString& branch, const QString& number,
                                    const QString& version, const TMessages& messages);

}  // namespace cot
