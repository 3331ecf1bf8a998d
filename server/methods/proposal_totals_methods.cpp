// The figures of a proposal version as a whole, for the running total of the screen.
//
//   GetTotaisProposta(NR, VER) → one row:
//       VRLICENCA   licence of use: per line, the sum of its installments once they are
//                   set (they may carry interest), else (unit − discount) × quantity
//       VRMENSAL    monthly maintenance or rental: (monthly − discount) × quantity
//       VRSERVICOS  services: charged as a package, the sum of the package installments
//                   once they are set, else the package value; by the hour, the hours
//                   quoted at the rate with its discount
//       VRPARCELAS  every schedule of the version: the lines' installments and the
//                   package's, that is what the approval will charge
//       VRUNICO     the one-off value: licence as charged plus services (ProposalTotals::
//                   grand()), what the list, the pipeline and the client's page call
//                   "Valor único"; with VRMENSAL ("Mensal") the two figures of a proposal
//   Each figure is cut to the cent (server/methods/proposal_totals.h holds the rule).
//   A version that does not exist has no figures: an empty packet.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/proposal_totals.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

Reply getTotaisProposta(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{number("VRLICENCA"), number("VRMENSAL"), number("VRSERVICOS"),
                                        number("VRPARCELAS"), number("VRUNICO")};
    const ProposalKey key = proposalKey(args);
    Packet out;
    out.fields = fields;
    const std::optional<ProposalTotals> t = proposalTotals(ctx.db, key.number, key.version);
    if (!t) return packetResult(out);
    out.rows.append(QVariantList{static_cast<double>(t->licence), static_cast<double>(t->monthly),
                                 static_cast<double>(t->services), static_cast<double>(t->schedules),
                                 static_cast<double>(t->grand())});
    return packetResult(out);
}

}  // namespace

void registerProposalTotalsMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetTotaisProposta"), 2, AccessRule::proposal(0, 1), getTotaisProposta);
}

}  // namespace cot::server::detail
