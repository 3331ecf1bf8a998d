// Saves and checks of the price simulations of a proposal version.
//
//   SetSimulacao(SIMULACOES | null, LINHAS | null) → null. Both change logs in one
//       transaction, simulations first (a new simulation and its first line may travel
//       together). The simulation number NRSIMULAPROP is issued here for a new simulation
//       (the next of its version, five digits) and never changes afterwards: an edited
//       simulation keeps its number whatever the change log carries, so its lines stay
//       with it. Deleting a simulation deletes its lines. A line's simulation, proposal
//       and version are the simulation's.
//       Orders are kept three digits wide ("7" is "007"). Refused with nothing written:
//       order missing or taken in the version (simulations) or in the simulation (lines);
//       name missing or over 100 characters; simulation or product line not in the
//       version; a line listed twice in one simulation; quantity missing or negative;
//       a row changed by someone else.
//   GetMaxNrSimulaProp(NR, VER) → NRSIMULAPROP: the number the next simulation would
//       take. Only a proposal: SetSimulacao issues the number itself.
//   GetVd_Simulacao(NR, VER, ORDEM) → NRSIMULAPROP of the simulations with that order.
//   GetVd_SimulaLinp(NR, VER, SIM, LINHA) → CDLINPPROP when the line is in the simulation.
//   GetVd_ProdSimulaLinp(NR, VER, SIM, LINHA, ORDEM) → NRSIMULAPROP of the lines of the
//       simulation with that order. The order is unique in the simulation whatever the
//       line, so LINHA does not narrow the check.
//   GetPesqProdLinp(NR, VER) → CDLINPPROP, NMLINPPROP, IDTIPLINPP, VRLICENCUSOPROP,
//       VRMENSALIDAPROP: the version's product lines to pick from, by name.
#include "server/methods/simulation_write_methods.h"

#include "server/methods/delta_support.h"
#include "server/methods/numbering.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server {

namespace {

using namespace read;
using cells::cell;
using cells::cellText;
using cells::changes;

constexpr int kOrderWidth = 3;
constexpr int kNumberWidth = 5;

const TableResolver& simulationResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("SIMULAPROP"));
    return r;
}

const TableResolver& lineResolver() {
    static const TableResolver r = tableResolver(QStringLiteral("SIMULALINP"));
    return r;
}

QString nextSimulationNumber(Database& db, const QString& number, const QString& version) {
    const Packet p =
        db.query(QStringLiteral("SELECT NRSIMULAPROP FROM SIMULAPROP WHERE %1").arg(ProposalKey::condition()),
                 {{"NR", number}, {"VER", version}});
    qint64 highest = 0;
    for (const QVariantList& row : p.rows) highest = std::max(highest, row.value(0).toString().trimmed().toLongLong());
    if (highest >= 99999) throw MethodError(QStringLiteral("A proposta já atingiu o número máximo de simulações."));
    return paddedNumber(highest + 1, kNumberWidth);
}

// Reads and writes the cells of one change log by column name.
class Cells {
public:
    explicit Cells(const Delta& delta) : delta_(delta) {}
    int index(const char* name) const { return delta_.indexOf(QString::fromLatin1(name)); }
    QString text(const QVariantList& v, const char* name) const { return cellText(delta_, v, index(name)); }
    QVariant value(const QVariantList& v, const char* name) const { return cell(delta_, v, index(name)); }
    void set(QVariantList& v, const char* name, const QVariant& value) const {
        if (index(name) >= 0) v[index(name)] = value;
    }
    bool changed(const RowChange& change, const char* name) const { return changes(delta_, change, index(name)); }

private:
    const Delta& delta_;
};

void checkSimulation(Database& db, const Cells& c, RowChange& change) {
    if (change.op == ChangeOp::Delete) return;
    QVariantList& v = change.newValues;
    const QString number = c.text(v, "NRPROPOSFAS"), version = c.text(v, "NRVERPROPFAS");
    const bool insert = change.op == ChangeOp::Insert;
    if (insert) {
        // Locks the version, so two new simulations never take one number.
        svctext::requireProposal(db, number, version, QStringLiteral("NRPROPOSFAS"));
        c.set(v, "NRSIMULAPROP", nextSimulationNumber(db, number, version));
    } else {
        c.set(v, "NRSIMULAPROP", c.value(change.oldValues, "NRSIMULAPROP"));
    }
    const QString order = adjusted(c.text(v, "NRORDSIMULAPROP"), kOrderWidth);
    if (insert || c.changed(change, "NRORDSIMULAPROP")) {
        if (order.isEmpty()) throw MethodError(QStringLiteral("Ordem deve ser informada."));
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM SIMULAPROP WHERE %1 "
                                     "AND NRORDSIMULAPROP = :O AND NRSIMULAPROP <> :S")
                          .arg(ProposalKey::condition()),
                      {{"NR", number}, {"VER", version}, {"O", order}, {"S", c.text(v, "NRSIMULAPROP")}})
                .toInt() > 0)
            throw MethodError(QStringLiteral("Ordem já cadastrada."));
        c.set(v, "NRORDSIMULAPROP", order);
    }
    const QString name = c.text(v, "NMSIMULAPROP");
    if (name.isEmpty()) throw MethodError(QStringLiteral("Nome deve ser informado."));
}

void checkLine(Database& db, const Cells& c, RowChange& change) {
    if (change.op == ChangeOp::Delete) return;
    QVariantList& v = change.newValues;
    const bool insert = change.op == ChangeOp::Insert;
    const QString number = c.text(v, "NRPROPOSFAS"), version = c.text(v, "NRVERPROPFAS");
    const QString simulation = c.text(v, "NRSIMULAPROP");
    const QVariantMap key{{"NR", number}, {"VER", version}, {"S", simulation}};
    if (insert || c.changed(change, "NRSIMULAPROP")) {
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM SIMULAPROP WHERE %1 "
                                     "AND NRSIMULAPROP = :S")
                          .arg(ProposalKey::condition()),
                      key)
                .toInt() == 0)
            throw MethodError(QStringLiteral("Simulação não cadastrada na proposta."));
    }
    const QString order = adjusted(c.text(v, "NRORDLINPSIMULA"), kOrderWidth);
    const bool moved = insert || c.changed(change, "NRSIMULAPROP");
    if (moved || c.changed(change, "NRORDLINPSIMULA")) {
        if (order.isEmpty()) throw MethodError(QStringLiteral("Ordem deve ser informada."));
        QVariantMap p = key;
        p.insert(QStringLiteral("O"), order);
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM SIMULALINP WHERE %1 "
                                     "AND NRSIMULAPROP = :S AND NRORDLINPSIMULA = :O")
                          .arg(ProposalKey::condition()),
                      p)
                .toInt() > 0)
            throw MethodError(QStringLiteral("Ordem já cadastrada."));
        c.set(v, "NRORDLINPSIMULA", order);
    }
    const QString line = c.text(v, "CDLINPPROP");
    if (moved || c.changed(change, "CDLINPPROP")) {
        if (line.isEmpty()) throw MethodError(QStringLiteral("Linha de Produto deve ser informada."));
        QVariantMap p = key;
        p.insert(QStringLiteral("L"), line);
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM LINPPROP WHERE %1 "
                                     "AND CDLINPPROP = :L")
                          .arg(ProposalKey::condition()),
                      p)
                .toInt() == 0)
            throw MethodError(QStringLiteral("Linha de produto não cadastrada na proposta."));
        if (db.scalar(QStringLiteral("SELECT COUNT(*) FROM SIMULALINP WHERE %1 "
                                     "AND NRSIMULAPROP = :S AND CDLINPPROP = :L")
                          .arg(ProposalKey::condition()),
                      p)
                .toInt() > 0)
            throw MethodError(QStringLiteral("Linha de produto já cadastrada."));
    }
    const QVariant quantity = c.value(v, "QTUTILSIMULINP");
    if (quantity.isNull() || quantity.toString().trimmed().isEmpty())
        throw MethodError(QStringLiteral("Quantidade deve ser informada."));
    if (quantity.toDouble() < 0) throw MethodError(QStringLiteral("Quantidade não pode ser negativa."));
}

Reply setSimulacao(MethodContext& ctx, const Args& args) {
    const bool withSimulations = !args.isNull(0), withLines = !args.isNull(1);
    Delta simulations = withSimulations ? args.delta(0) : Delta{};
    const Delta lines = withLines ? args.delta(1) : Delta{};
    if (withSimulations) ensureDeltaColumn(simulations, text("NRSIMULAPROP", kNumberWidth));

    Transaction tx(ctx.db);
    if (withSimulations && !simulations.isEmpty()) {
        const Cells c(simulations);
        applyDelta(ctx.db, simulationResolver(), simulations,
                   [&](RowChange& change) { checkSimulation(ctx.db, c, change); });
    }
    if (withLines && !lines.isEmpty()) {
        const Cells c(lines);
        applyDelta(ctx.db, lineResolver(), lines, [&](RowChange& change) { checkLine(ctx.db, c, change); });
    }
    tx.commit();
    return QJsonValue();
}

Reply getMaxNrSimulaProp(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    Packet p;
    p.fields = {text("NRSIMULAPROP", kNumberWidth)};
    p.rows << QVariantList{nextSimulationNumber(ctx.db, key.number, key.version)};
    return packetResult(p);
}

Reply getVdSimulacao(MethodContext& ctx, const Args& args) {
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("O"), adjusted(args.string(2).trimmed(), kOrderWidth));
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT NRSIMULAPROP FROM SIMULAPROP WHERE %1 AND NRORDSIMULAPROP = :O")
                                   .arg(ProposalKey::condition()),
                               params, {text("NRSIMULAPROP", kNumberWidth)}));
}

Reply getVdSimulaLinp(MethodContext& ctx, const Args& args) {
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("S"), args.string(2).trimmed());
    params.insert(QStringLiteral("L"), args.string(3).trimmed());
    return packetResult(
        shaped(ctx.db,
               QStringLiteral("SELECT CDLINPPROP FROM SIMULALINP WHERE %1 AND NRSIMULAPROP = :S AND CDLINPPROP = :L")
                   .arg(ProposalKey::condition()),
               params, {stored("SIMULALINP", "CDLINPPROP")}));
}

Reply getVdProdSimulaLinp(MethodContext& ctx, const Args& args) {
    QVariantMap params = proposalKey(args).params();
    params.insert(QStringLiteral("S"), args.string(2).trimmed());
    params.insert(QStringLiteral("O"), adjusted(args.string(4).trimmed(), kOrderWidth));
    return packetResult(shaped(
        ctx.db,
        QStringLiteral("SELECT NRSIMULAPROP FROM SIMULALINP WHERE %1 AND NRSIMULAPROP = :S AND NRORDLINPSIMULA = :O")
            .arg(ProposalKey::condition()),
        params, {text("NRSIMULAPROP", kNumberWidth)}));
}

Reply getPesqProdLinp(MethodContext& ctx, const Args& args) {
    return packetResult(
        shaped(ctx.db,
               QStringLiteral("SELECT CDLINPPROP, NMLINPPROP, IDTIPLINPP, VRLICENCUSOPROP, VRMENSALIDAPROP "
                              "FROM LINPPROP WHERE %1 "
                              "ORDER BY NMLINPPROP, CDLINPPROP")
                   .arg(ProposalKey::condition()),
               proposalKey(args).params(),
               {stored("LINPPROP", "CDLINPPROP"), stored("LINPPROP", "NMLINPPROP"), stored("LINPPROP", "IDTIPLINPP"),
                number("VRLICENCUSOPROP"), number("VRMENSALIDAPROP")}));
}

}  // namespace

void registerSimulationWriteMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("SetSimulacao"), 2, AccessRule::childDelta(0).alsoChildDelta(1), setSimulacao);
    registry.add(QStringLiteral("GetMaxNrSimulaProp"), 2, AccessRule::proposal(0, 1), getMaxNrSimulaProp);
    registry.add(QStringLiteral("GetVd_Simulacao"), 3, AccessRule::proposal(0, 1), getVdSimulacao);
    registry.add(QStringLiteral("GetVd_SimulaLinp"), 4, AccessRule::proposal(0, 1), getVdSimulaLinp);
    registry.add(QStringLiteral("GetVd_ProdSimulaLinp"), 5, AccessRule::proposal(0, 1), getVdProdSimulaLinp);
    registry.add(QStringLiteral("GetPesqProdLinp"), 2, AccessRule::proposal(0, 1), getPesqProdLinp);
}

}  // namespace cot::server
