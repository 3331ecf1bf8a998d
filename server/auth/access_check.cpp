#include "server/auth/access_check.h"

#include <QSet>

#include "data/proposal_number.h"
#include "server/auth/caller.h"
#include "server/auth/proposal_key.h"
#include "server/auth/proposal_rights.h"
#include "server/rpc/method_registry.h"

namespace cot::server {

namespace {

using proposal_rights::Use;
using ProposalKey = proposal_rights::Key;

// Deltas may travel as null where a method takes "no changes".
std::optional<Delta> deltaAt(const Args& args, int index) {
    if (args.isNull(index)) return std::nullopt;
    return args.delta(index);
}

void requireHeld(const std::optional<ProposalKey>& named, const QSet<ProposalKey>& touched) {
    if (!named) return;
    for (const ProposalKey& key : touched)
        if (key != *named)
            throw MethodError(QStringLiteral("O pacote de alterações só pode alterar a proposta %1.")
                                  .arg(shortProposalNumber(named->first, named->second)));
}

}  // namespace

void enforceAccess(const AccessRule& rule, MethodContext& context, const Args& args) {
    if (rule.isOpen()) return;
    Caller& caller = context.caller();
    Database& db = context.db;
    const Use use = rule.isWrite() ? Use::Write : Use::Read;

    for (int arg : rule.branchArgs()) caller.requireBranch(args.string(arg));
    for (int arg : rule.selfArgs()) caller.requireSelf(args.string(arg));

    std::optional<ProposalKey> named;
    if (rule.numberArg() >= 0) {
        // The key exactly as the method will read it: what is judged is what is written.
        // A read without a key yet names nothing stored, so there is nothing to judge.
        const bool read = use == Use::Read;
        const QString number = proposal_key::numberArg(args, rule.numberArg(), read);
        if (rule.versionArg() < 0) {
            if (!number.isEmpty()) proposal_rights::requireVisibleNumber(db, caller, number, use);
        } else {
            named = ProposalKey{number, proposal_key::versionArg(args, rule.versionArg(), read)};
            if (!named->first.isEmpty() && !named->second.isEmpty())
                proposal_rights::requireVisible(db, caller, named->first, named->second, use);
        }
    }

    QSet<ProposalKey> touched;
    if (const auto arg = rule.headerDeltaArg())
        if (const std::optional<Delta> delta = deltaAt(args, *arg))
            touched += proposal_rights::requireHeaderDeltaRights(db, caller, *delta);
    for (int arg : rule.childDeltas())
        if (const std::optional<Delta> delta = deltaAt(args, arg))
            touched += proposal_rights::requireChildDeltaRights(db, caller, *delta);
    if (rule.held()) requireHeld(named, touched);
}

}  // namespace cot::server
