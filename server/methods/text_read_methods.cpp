// Texts and observation of a proposal version.
//
//   GetMensagem(NR, VER) → the texts in their order number (then code)
//   GetObs(NR, VER)      → the observation (at most one row)
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

Reply getMensagem(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("TXTPROPFAS", "NRPROPOSFAS"), stored("TXTPROPFAS", "NRVERPROPFAS"),
                                        stored("TXTPROPFAS", "CDTXTPROPFAS"), memo("TXPROPFAS"), number("NRORDEMMSG")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, CDTXTPROPFAS, TXPROPFAS, NRORDEMMSG "
                                              "FROM TXTPROPFAS WHERE %1 "
                                              "ORDER BY NRORDEMMSG, CDTXTPROPFAS")
                                   .arg(ProposalKey::condition()),
                               proposalKey(args).params(), fields));
}

Reply getObs(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("OBSPROPFAS", "NRPROPOSFAS"), stored("OBSPROPFAS", "NRVERPROPFAS"),
                                        memo("TXOBSPROPFAS")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, TXOBSPROPFAS FROM OBSPROPFAS "
                                              "WHERE %1")
                                   .arg(ProposalKey::condition()),
                               proposalKey(args).params(), fields));
}

}  // namespace

void registerTextReadMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetMensagem"), 2, AccessRule::proposal(0, 1), getMensagem);
    registry.add(QStringLiteral("GetObs"), 2, AccessRule::proposal(0, 1), getObs);
}

}  // namespace cot::server::detail
