// The identity a proposal version's documents are signed with (registers/branch_identity.h).
//
//   GetIdentidadeProposta(NR, VER) → one row:
//       NMEMPRESA, NRCNPJ, DSENDERECO, NRFONE, DSSITE   the branch's company (NRCNPJ formatted)
//       DSRODAPE        the parts registered in one line, for a page's footer
//       IDTIPOLOGO      "image/png", "image/svg+xml" or empty
//       TXLOGO          the logo's bytes in Base64, empty when the branch has none
//       NMVENDEDOR, DSEMAILVENDEDOR, NRFONEVENDEDOR     the salesperson (who requested the
//                       version, else who included it), as registered
//   A version that does not exist has no identity: an empty packet.
#include "server/methods/offer_identity_methods.h"

#include "server/methods/read_support.h"
#include "server/registers/branch_identity.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"

namespace cot::server {

namespace {

using namespace read;

Reply getIdentidadeProposta(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        memo("NMEMPRESA"),  memo("NRCNPJ"),     memo("DSENDERECO"),      memo("NRFONE"),
        memo("DSSITE"),     memo("DSRODAPE"),   memo("IDTIPOLOGO"),      memo("TXLOGO"),
        memo("NMVENDEDOR"), memo("DSEMAILVENDEDOR"), memo("NRFONEVENDEDOR")};
    const ProposalKey key = proposalKey(args);
    Packet out;
    out.fields = fields;
    const std::optional<OfferIdentity> found = offerIdentity(ctx.db, key.number, key.version);
    if (!found) return packetResult(out);
    const BranchIdentity& b = found->branch;
    const SellerContact& s = found->seller;
    out.rows.append(QVariantList{b.company, b.cnpj, b.address, b.phone, b.site, b.footerLine(),
                                 b.hasLogo() ? b.logoType : QString(),
                                 b.hasLogo() ? QString::fromLatin1(b.logo.toBase64()) : QString(),
                                 s.name.isEmpty() ? s.code : s.name, s.email, s.phone});
    return packetResult(out);
}

}  // namespace

void registerOfferIdentityMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetIdentidadeProposta"), 2, AccessRule::proposal(0, 1), getIdentidadeProposta);
}

}  // namespace cot::server
