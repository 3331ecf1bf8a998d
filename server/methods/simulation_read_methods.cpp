// Price simulations of a proposal version.
//
//   GetSimulacao(NR, VER)                 → simulations by order, each with its totals:
//       VRTOTALICENCUSO = Σ licence unit value × quantity over its lines,
//       VRTOTAMENSALIDA = Σ monthly unit value × quantity (unit values as the lines
//       show them, so the totals match what the line grid adds up)
//   GetProdSimulaLinp(NR, VER, NRSIMULAPROP) → the lines of one simulation by order,
//       with the name, type and unit values of the proposal's product line
//   GetMaxOrdSimula(NR, VER)              → NRORDSIMULAPROP: the next free order
//   GetMaxOrdProdSimula(NR, VER, NRSIMULAPROP) → NRORDLINPSIMULA: likewise in a simulation
// The totals of the line grid itself (Vr. total) are computed on the desktop.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kOrderWidth = 3;

Reply getSimulacao(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("SIMULAPROP", "NRORDSIMULAPROP"), stored("SIMULAPROP", "NMSIMULAPROP"),
                                        number("VRTOTALICENCUSO"), number("VRTOTAMENSALIDA"),
                                        stored("SIMULAPROP", "NRSIMULAPROP"), stored("SIMULAPROP", "NRPROPOSFAS"),
                                        stored("SIMULAPROP", "NRVERPROPFAS")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT S.NRORDSIMULAPROP, S.NMSIMULAPROP,
       COALESCE((SELECT SUM(L.VRLICENCUSOPROP * SL.QTUTILSIMULINP)
                   FROM SIMULALINP SL
                   JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND L.NRVERPROPFAS = SL.NRVERPROPFAS
                                  AND L.CDLINPPROP = SL.CDLINPPROP
                  WHERE SL.NRPROPOSFAS = S.NRPROPOSFAS AND SL.NRVERPROPFAS = S.NRVERPROPFAS
                    AND SL.NRSIMULAPROP = S.NRSIMULAPROP), 0) AS VRTOTALICENCUSO,
       COALESCE((SELECT SUM(L.VRMENSALIDAPROP * SL.QTUTILSIMULINP)
                   FROM SIMULALINP SL
                   JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND L.NRVERPROPFAS = SL.NRVERPROPFAS
                                  AND L.CDLINPPROP = SL.CDLINPPROP
                  WHERE SL.NRPROPOSFAS = S.NRPROPOSFAS AND SL.NRVERPROPFAS = S.NRVERPROPFAS
                    AND SL.NRSIMULAPROP = S.NRSIMULAPROP), 0) AS VRTOTAMENSALIDA,
       S.NRSIMULAPROP, S.NRPROPOSFAS, S.NRVERPROPFAS
FROM SIMULAPROP S
WHERE %1
ORDER BY S.NRORDSIMULAPROP, S.NRSIMULAPROP)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("S"))),
                               proposalKey(args).params(), fields));
}

Reply getProdSimulaLinp(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        stored("SIMULALINP", "NRORDLINPSIMULA"), stored("LINPPROP", "NMLINPPROP"), stored("LINPPROP", "IDTIPLINPP"),
        number("QTUTILSIMULINP"), number("VRLICENCUSOPROP"), number("VRMENSALIDAPROP"),
        stored("SIMULALINP", "CDLINPPROP"), number("NRUSUALINPP"), stored("SIMULALINP", "NRSIMULAPROP"),
        stored("SIMULAPROP", "NRORDSIMULAPROP"), stored("SIMULALINP", "NRPROPOSFAS"),
        stored("SIMULALINP", "NRVERPROPFAS")};
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("SIMULA"), args.string(2).trimmed());
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT SL.NRORDLINPSIMULA, L.NMLINPPROP, L.IDTIPLINPP, SL.QTUTILSIMULINP, L.VRLICENCUSOPROP,
       L.VRMENSALIDAPROP, SL.CDLINPPROP, L.NRUSUALINPP, SL.NRSIMULAPROP, S.NRORDSIMULAPROP,
       SL.NRPROPOSFAS, SL.NRVERPROPFAS
FROM SIMULALINP SL
JOIN SIMULAPROP S ON S.NRPROPOSFAS = SL.NRPROPOSFAS AND S.NRVERPROPFAS = SL.NRVERPROPFAS
                 AND S.NRSIMULAPROP = SL.NRSIMULAPROP
LEFT JOIN LINPPROP L ON L.NRPROPOSFAS = SL.NRPROPOSFAS AND L.NRVERPROPFAS = SL.NRVERPROPFAS
                    AND L.CDLINPPROP = SL.CDLINPPROP
WHERE %1 AND SL.NRSIMULAPROP = :SIMULA
ORDER BY SL.NRORDLINPSIMULA)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("SL"))),
                               params, fields));
}

Packet orderPacket(const char* field, const QString& order) {
    Packet p;
    p.fields = {text(field, kOrderWidth)};
    p.rows << QVariantList{order};
    return p;
}

QStringList column(const Packet& p) {
    QStringList out;
    for (const QVariantList& row : p.rows) out << row.value(0).toString();
    return out;
}

Reply getMaxOrdSimula(MethodContext& ctx, const Args& args) {
    const Packet orders =
        ctx.db.query(QStringLiteral("SELECT NRORDSIMULAPROP FROM SIMULAPROP WHERE %1").arg(ProposalKey::condition()),
                     proposalKey(args).params());
    return packetResult(orderPacket("NRORDSIMULAPROP",
                                    nextOrder(column(orders), kOrderWidth,
                                              QStringLiteral("A proposta já atingiu a ordem máxima de simulações (999)."))));
}

Reply getMaxOrdProdSimula(MethodContext& ctx, const Args& args) {
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("SIMULA"), args.string(2).trimmed());
    const Packet orders =
        ctx.db.query(QStringLiteral("SELECT NRORDLINPSIMULA FROM SIMULALINP WHERE %1 AND NRSIMULAPROP = :SIMULA")
                         .arg(ProposalKey::condition()),
                     params);
    return packetResult(orderPacket("NRORDLINPSIMULA",
                                    nextOrder(column(orders), kOrderWidth,
                                              QStringLiteral("A simulação já atingiu a ordem máxima de linhas (999)."))));
}

}  // namespace

void registerSimulationReadMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetSimulacao"), 2, AccessRule::proposal(0, 1), getSimulacao);
    registry.add(QStringLiteral("GetProdSimulaLinp"), 3, AccessRule::proposal(0, 1), getProdSimulaLinp);
    registry.add(QStringLiteral("GetMaxOrdSimula"), 2, AccessRule::proposal(0, 1), getMaxOrdSimula);
    registry.add(QStringLiteral("GetMaxOrdProdSimula"), 3, AccessRule::proposal(0, 1), getMaxOrdProdSimula);
}

}  // namespace cot::server::detail
