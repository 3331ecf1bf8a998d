// Observation of a proposal version.
//
//   SetObs(delta, Vazio) → applies the change log of the observation table in one
//                          transaction; Vazio = "1" says the text is empty, and an empty
//                          observation is not kept (its row is removed).
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server::detail {

namespace {

const TableResolver& observationResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("OBSPROPFAS"));
    return r;
}

Reply setObs(MethodContext& ctx, const Args& args) {
    Delta delta = args.delta(0);
    const QString empty = args.string(1).trimmed();
    if (empty != QLatin1String("0") && empty != QLatin1String("1"))
        throw MethodError(QStringLiteral("Argumento 2 de 2: esperado \"0\" ou \"1\"."), -32602);
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS"));
    const int ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    if (nr < 0 || ver < 0) throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
    QList<QPair<QString, QString>> emptied;
    Transaction tx(ctx.db);
    applyDelta(ctx.db, observationResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) return;
        const QString number = change.newValues.value(nr).toString().trimmed();
        const QString version = change.newValues.value(ver).toString().trimmed();
        if (number.isEmpty() || version.isEmpty())
            throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
        if (empty == QLatin1String("1")) emptied.append({number, version});
    });
    for (const auto& [number, version] : emptied)
        ctx.db.exec(QStringLiteral("DELETE FROM OBSPROPFAS WHERE %1").arg(read::ProposalKey::condition()),
                    {{"NR", number}, {"VER", version}});
    tx.commit();
    return QJsonValue();
}

}  // namespace

void registerObservationMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetObs"), 2, AccessRule::childDelta(0), setObs);
}

}  // namespace cot::server::detail
