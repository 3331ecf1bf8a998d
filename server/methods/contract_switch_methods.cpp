// The proposal's contract type switched between LU/Manutenção and Locação, with every
// product line converted, in one transaction: the screen never leaves a proposal
// half converted.
//
//   SetTipoContrato(NR, VER, type, header) → null. type "M" (LU/Manutenção) or "L" (Locação);
//     header: the proposal's own pending change log (or null), saved in the same
//     transaction, so the header and its lines never disagree on the contract.
//     To Locação (from M): line types M → L and P → A, the licence value and its discount
//       zeroed. To Locação from any other type: every line's schedule replaced by one
//       installment of 0 due today.
//     To LU/Manutenção (from L): line types L → M and A → P, values and schedules kept.
//     From any other type (or to the same one) only the proposal's type is written.
#include "server/methods/contract_switch_methods.h"
#include "server/methods/proposal_methods.h"

#include "base/clock.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

using read::dayStart;
using read::ProposalKey;

// Lines of an LU/Manutenção proposal become rental lines: no licence of use.
void linesToRental(Database& db, const QVariantMap& key) {
    db.exec(QStringLiteral("UPDATE LINPPROP SET IDTIPLINPP = CASE IDTIPLINPP WHEN 'M' THEN 'L' WHEN 'P' THEN 'A' "
                           "ELSE IDTIPLINPP END, VRLICENCUSOPROP = 0, VRDESLICUSOPROP = 0 WHERE %1")
                .arg(ProposalKey::condition()),
            key);
}

// Under Locação every line's schedule is one installment of 0 due today.
void rentalSchedules(Database& db, const QVariantMap& key) {
    db.exec(QStringLiteral("DELETE FROM VENCLINPPROP WHERE %1").arg(ProposalKey::condition()), key);
    QVariantMap params = key;
    params.insert(QStringLiteral("HOJE"), dayStart(Clock::current().today()));
    db.exec(QStringLiteral("INSERT INTO VENCLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP) "
                           "SELECT NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, :HOJE, 0 FROM LINPPROP WHERE %1")
                .arg(ProposalKey::condition()),
            params);
}

void toLicence(Database& db, const QVariantMap& key) {
    db.exec(QStringLiteral("UPDATE LINPPROP SET IDTIPLINPP = CASE IDTIPLINPP WHEN 'L' THEN 'M' WHEN 'A' THEN 'P' "
                           "ELSE IDTIPLINPP END WHERE %1")
                .arg(ProposalKey::condition()),
            key);
}

Reply setTipoContrato(MethodContext& ctx, const Args& args) {
    const QVariantMap key = read::proposalKey(args).params();
    const QString type = args.string(2).trimmed().toUpper();
    if (type != QLatin1String("M") && type != QLatin1String("L"))
        throw MethodError(QStringLiteral("Tipo de contrato inválido: \"%1\".").arg(args.string(2).trimmed()));
    Transaction tx(ctx.db);
    const QString where = ProposalKey::condition();
    if (ctx.db.scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE %1").arg(where), key).toInt() == 0)
        throw MethodError(QStringLiteral("Proposta não cadastrada."));
    const QString from =
        ctx.db.scalar(QStringLiteral("SELECT IDTIPOPROPFAS FROM PROPOSTAFAS WHERE %1").arg(where), key).toString().trimmed();
    if (!args.isNull(3)) applyProposalDelta(ctx.db, args.delta(3));
    if (type == QLatin1String("L") && from == QLatin1String("M")) linesToRental(ctx.db, key);
    if (type == QLatin1String("L") && from != QLatin1String("L")) rentalSchedules(ctx.db, key);
    if (type == QLatin1String("M") && from == QLatin1String("L")) toLicence(ctx.db, key);
    QVariantMap params = key;
    params.insert(QStringLiteral("T"), type);
    ctx.db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET IDTIPOPROPFAS = :T WHERE %1").arg(where), params);
    tx.commit();
    return {};
}

}  // namespace

void registerContractSwitchMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetTipoContrato"), 4, AccessRule::proposal(0, 1).alsoHeaderDelta(3).heldToProposal(), setTipoContrato);
}

}  // namespace cot::server
