// The client's decision on a proposal version, as recorded from his page, and the mark a
// salesperson puts on a version the company lost.
//
//   GetDecisaoCliente(NR, VER) → at most one row: the client's decision (IDDECISAO 'A'
//       accepted / 'R' declined, DTDECISAO, NMRESPDECISAO, DSCARGODECISAO, IDMOTIVO,
//       TXCOMENTARIO, DSENDIP, DSNAVEGADOR, TXHASHCONT, NRENVIO) and the lost mark
//       (DTPERDA, IDMOTIVOPERDA, TXMOTIVOPERDA, CDOPERPERDA); the part that does not exist
//       comes back null; no row when neither exists. Open to whoever may see the version.
//   MarcarPerdida(NR, VER, MOTIVO, TEXTO) → nothing. Marks the version lost with the
//       server's clock and the session's operator. MOTIVO is P preço, Z prazo,
//       C concorrente, E escopo or O outro; TEXTO at most TXMOTIVO's 500 characters
//       (blank ones kept as none). Refused, with nothing written: a bad motive or text;
//       then a version not stored, an accepted version, a version already marked lost. Open
//       to whoever may see the version, in the write's transaction (the history records
//       the run).
//   DesmarcarPerdida(NR, VER) → nothing. Removes the lost mark; refused when there is none.
//       Same rule as MarcarPerdida.
#include "server/methods/client_decision_methods.h"

#include "base/clock.h"
#include "server/auth/caller.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/text_bounds.h"

namespace cot::server {

namespace {

using namespace read;

const QString kLostMotives = QStringLiteral("PZCEO");

// Whether the version is stored and accepted; nullopt when it is not stored.
std::optional<bool> acceptedState(Database& db, const ProposalKey& key) {
    static const QList<FieldDef> fields{date("DTACEPROPFAS")};
    const Packet p = db.query(QStringLiteral("SELECT DTACEPROPFAS FROM PROPOSTAFAS "
                                             "WHERE %1")
                                  .arg(ProposalKey::condition()),
                              key.params(), fields);
    if (p.rows.isEmpty()) return std::nullopt;
    return !p.value(0, QStringLiteral("DTACEPROPFAS")).isNull();
}

bool markedLost(Database& db, const ProposalKey& key) {
    static const QList<FieldDef> fields{stored("PERDAPROP", "NRPROPOSFAS")};
    return !db.query(QStringLiteral("SELECT NRPROPOSFAS FROM PERDAPROP WHERE %1").arg(ProposalKey::condition()),
                     key.params(), fields)
                .rows.isEmpty();
}

Reply getDecisaoCliente(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        stored("DECISAOPROP", "IDDECISAO"), date("DTDECISAO"), stored("DECISAOPROP", "NMRESPDECISAO"),
        stored("DECISAOPROP", "DSCARGODECISAO"), stored("DECISAOPROP", "IDMOTIVO"), memo("TXCOMENTARIO"),
        stored("DECISAOPROP", "DSENDIP"), stored("DECISAOPROP", "DSNAVEGADOR"), text("TXHASHCONT", 64),
        {QStringLiteral("NRENVIO"), FieldType::Integer, 0}, date("DTPERDA"), fixed("IDMOTIVOPERDA"),
        text("TXMOTIVOPERDA", 500), text("CDOPERPERDA", 12)};
    return packetResult(
        shaped(ctx.db,
               QStringLiteral(
                   "SELECT D.IDDECISAO, D.DTDECISAO, D.NMRESPDECISAO, D.DSCARGODECISAO, D.IDMOTIVO, D.TXCOMENTARIO, "
                   "D.DSENDIP, D.DSNAVEGADOR, D.TXHASHCONT, D.NRENVIO, L.DTPERDA, L.IDMOTIVO AS IDMOTIVOPERDA, "
                   "L.TXMOTIVO AS TXMOTIVOPERDA, L.CDOPERADOR AS CDOPERPERDA "
                   "FROM PROPOSTAFAS P "
                   "LEFT JOIN DECISAOPROP D ON D.NRPROPOSFAS = P.NRPROPOSFAS AND D.NRVERPROPFAS = P.NRVERPROPFAS "
                   "LEFT JOIN PERDAPROP L ON L.NRPROPOSFAS = P.NRPROPOSFAS AND L.NRVERPROPFAS = P.NRVERPROPFAS "
                   "WHERE %1 "
                   "AND (D.NRPROPOSFAS IS NOT NULL OR L.NRPROPOSFAS IS NOT NULL)")
                   .arg(ProposalKey::condition(QStringLiteral("P"))),
               proposalKey(args).params(), fields));
}

Reply marcarPerdida(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    const QString motive = args.isNull(2) ? QString() : args.string(2).trimmed().toUpper();
    if (motive.size() != 1 || !kLostMotives.contains(motive)) throw MethodError(QStringLiteral("Escolha o motivo da perda."));
    const QString reason = args.isNull(3) ? QString() : args.string(3).trimmed();
    text_bounds::requireFits(QStringLiteral("PERDAPROP"), QStringLiteral("TXMOTIVO"), reason);

    const std::optional<bool> accepted = acceptedState(ctx.db, key);
    if (!accepted) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    if (*accepted) throw MethodError(QStringLiteral("A proposta já foi aceita."));
    if (markedLost(ctx.db, key)) throw MethodError(QStringLiteral("A proposta já está marcada como perdida."));

    QVariantMap params = key.params();
    params.insert(QStringLiteral("DT"), Clock::current().now());
    params.insert(QStringLiteral("OP"), ctx.caller().operatorCode());
    params.insert(QStringLiteral("MOT"), motive);
    params.insert(QStringLiteral("TX"), reason.isEmpty() ? QVariant() : QVariant(reason));
    ctx.db.exec(QStringLiteral("INSERT INTO PERDAPROP (NRPROPOSFAS, NRVERPROPFAS, DTPERDA, CDOPERADOR, IDMOTIVO, TXMOTIVO) "
                               "VALUES (:NR, :VER, :DT, :OP, :MOT, :TX)"),
                params);
    return Reply();
}

Reply desmarcarPerdida(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    if (!acceptedState(ctx.db, key)) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    const int removed =
        ctx.db.exec(QStringLiteral("DELETE FROM PERDAPROP WHERE %1").arg(ProposalKey::condition()), key.params());
    if (removed == 0) throw MethodError(QStringLiteral("A proposta não está marcada como perdida."));
    return Reply();
}

}  // namespace

void registerClientDecisionMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetDecisaoCliente"), 2, AccessRule::proposal(0, 1), getDecisaoCliente);
    registry.add(QStringLiteral("MarcarPerdida"), 4, AccessRule::proposal(0, 1).writes(), marcarPerdida);
    registry.add(QStringLiteral("DesmarcarPerdida"), 2, AccessRule::proposal(0, 1).writes(), desmarcarPerdida);
}

}  // namespace cot::server
