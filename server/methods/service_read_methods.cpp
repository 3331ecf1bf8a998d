// Services of a proposal version.
//
//   GetServico(NR, VER)     → the services in sequence order, with the type's name and
//       mandatory flag, the proposal's package value and VERIFICA_DESCRICAO ('S' when
//       the description is empty)
//   GetObjServico(NR, VER)  → the objective text of the services (at most one row)
//   InsereServicoAuto(NR, VER, CDTIPOSERV, Todos) → adds services to the proposal:
//       Todos "T": every service type mandatory for prospects that the proposal lacks;
//       otherwise the one type CDTIPOSERV, unless the proposal already has it.
//       A type is never added twice. Each new service takes the type's default factor,
//       hours and rate, the proposal's charging type and readjustment month.
//       Returns how many services were added. A package proposal's value and its
//       schedule follow the services in the same transaction.
#include "server/methods/proposal_screen_methods.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"

namespace cot::server::detail {

namespace {

using namespace read;

constexpr int kSequenceWidth = 3;
constexpr int kTypeWidth = 3;

Reply getServico(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{
        stored("TIPOSERV", "NMTIPOSERV"), stored("SERVPROP", "NRPROPOSFAS"), stored("SERVPROP", "NRVERPROPFAS"),
        stored("SERVPROP", "CDTIPOSERV"), stored("SERVPROP", "DSLOCALPROP"), stored("SERVPROP", "IDTIPOCOBRPROP"),
        number("VRPEACHEPROP"), number("QTSERVPROP"), number("VREXCEDPROP"), number("VRHORAPROP"),
        number("VRDEHORAPROP"), number("VRPEHORAPROP"), stored("SERVPROP", "NRSERVPROP"),
        stored("SERVPROP", "NRMESREAJPROP"), number("VRPACOTESERV"), fixed("VERIFICA_DESCRICAO"),
        text("IDSERVOBRIGPROS", 2)};
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT T.NMTIPOSERV, S.NRPROPOSFAS, S.NRVERPROPFAS, S.CDTIPOSERV, S.DSLOCALPROP, S.IDTIPOCOBRPROP,
       S.VRPEACHEPROP, S.QTSERVPROP, S.VREXCEDPROP, S.VRHORAPROP, S.VRDEHORAPROP, S.VRPEHORAPROP,
       S.NRSERVPROP, S.NRMESREAJPROP, P.VRPACOTESERV,
       CASE WHEN S.DSLOCALPROP IS NULL OR S.DSLOCALPROP = '' THEN 'S' ELSE 'N' END AS VERIFICA_DESCRICAO,
       T.IDSERVOBRIGPROS
FROM SERVPROP S
JOIN PROPOSTAFAS P ON P.NRPROPOSFAS = S.NRPROPOSFAS AND P.NRVERPROPFAS = S.NRVERPROPFAS
LEFT JOIN TIPOSERV T ON T.CDTIPOSERV = S.CDTIPOSERV
WHERE %1
ORDER BY S.NRSERVPROP)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("S"))),
                               proposalKey(args).params(), fields));
}

Reply getObjServico(MethodContext& ctx, const Args& args) {
    static const QList<FieldDef> fields{stored("OBJSERVPROP", "NRPROPOSFAS"), stored("OBJSERVPROP", "NRVERPROPFAS"),
                                        memo("TXOBJETPROPFAS")};
    return packetResult(shaped(ctx.db,
                               QStringLiteral("SELECT NRPROPOSFAS, NRVERPROPFAS, TXOBJETPROPFAS FROM OBJSERVPROP "
                                              "WHERE %1")
                                   .arg(ProposalKey::condition()),
                               proposalKey(args).params(), fields));
}

// The service types to add: the mandatory ones, or the one asked for, minus those the
// proposal already quotes.
Packet typesToAdd(Database& db, const ProposalKey& key, const QString& type, bool all) {
    QVariantMap params = key.params();
    QString which = QStringLiteral("T.IDSERVOBRIGPROS = 'S'");
    if (!all) {
        which = QStringLiteral("T.CDTIPOSERV = :TIPO");
        params.insert(QStringLiteral("TIPO"), type);
    }
    return db.query(QStringLiteral("SELECT T.CDTIPOSERV, T.IDTIPOCOBRPADR, T.VRPEACHEPADR, T.QTSERVPADR, T.VRHORAPADR "
                                   "FROM TIPOSERV T WHERE %1 AND NOT EXISTS (SELECT 1 FROM SERVPROP S "
                                   "WHERE %2 AND S.CDTIPOSERV = T.CDTIPOSERV) "
                                   "ORDER BY T.CDTIPOSERV")
                        .arg(which, ProposalKey::condition(QStringLiteral("S"))),
                    params);
}

Reply insereServicoAuto(MethodContext& ctx, const Args& args) {
    const ProposalKey key = proposalKey(args);
    const bool all = isAll(args.string(3));
    const QString type = adjusted(args.string(2), kTypeWidth);
    if (!all && type.isEmpty()) throw MethodError(QStringLiteral("Serviço deve ser informado"));

    Transaction tx(ctx.db);
    // The proposal row is locked first, so two callers cannot add the same type twice or
    // take the same sequence (SQLite's write lock does this from the start).
    const QString lock = ctx.db.dialect() == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
    const Packet proposal =
        ctx.db.query(QStringLiteral("SELECT IDTIPOCOBRSERV, NRMESREAJPROP, DTACEPROPFAS FROM PROPOSTAFAS "
                                    "WHERE %1")
                             .arg(ProposalKey::condition()) +
                         lock,
                     key.params());
    if (proposal.isEmpty()) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    if (!proposal.value(0, "DTACEPROPFAS").isNull())
        throw MethodError(QStringLiteral("Proposta já aceita: seus serviços não podem ser alterados."));
    if (!all && ctx.db.scalar(QStringLiteral("SELECT COUNT(*) FROM TIPOSERV WHERE CDTIPOSERV = :T"), {{"T", type}}).toInt() == 0)
        throw MethodError(QStringLiteral("Serviço não cadastrado"));

    const Packet types = typesToAdd(ctx.db, key, type, all);
    QStringList sequences;
    const Packet used = ctx.db.query(
        QStringLiteral("SELECT NRSERVPROP FROM SERVPROP WHERE %1").arg(ProposalKey::condition()), key.params());
    for (const QVariantList& row : used.rows) sequences << row.value(0).toString();

    const QString charging = proposal.value(0, "IDTIPOCOBRSERV").toString().trimmed();
    for (int r = 0; r < types.rows.size(); ++r) {
        const QString sequence = nextOrder(sequences, kSequenceWidth,
                                           QStringLiteral("A proposta já atingiu o número máximo de serviços (999)."));
        sequences << sequence;
        const QVariant rate = types.value(r, "VRHORAPADR");
        QVariantMap row = key.params();
        row.insert(QStringLiteral("SEQ"), sequence);
        row.insert(QStringLiteral("TIPO"), types.value(r, "CDTIPOSERV"));
        row.insert(QStringLiteral("COBR"), charging.isEmpty() ? types.value(r, "IDTIPOCOBRPADR") : QVariant(charging));
        row.insert(QStringLiteral("FATOR"), types.value(r, "VRPEACHEPADR"));
        row.insert(QStringLiteral("HORAS"), types.value(r, "QTSERVPADR"));
        row.insert(QStringLiteral("VALOR"), rate);
        row.insert(QStringLiteral("MES"), proposal.value(0, "NRMESREAJPROP"));
        ctx.db.exec(QStringLiteral("INSERT INTO SERVPROP (NRPROPOSFAS, NRVERPROPFAS, NRSERVPROP, CDTIPOSERV, IDTIPOCOBRPROP, "
                                   "VRPEACHEPROP, QTSERVPROP, VREXCEDPROP, VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP, NRMESREAJPROP) "
                                   "VALUES (:NR, :VER, :SEQ, :TIPO, :COBR, :FATOR, :HORAS, :VALOR, :VALOR, :VALOR, 0, :MES)"),
                    row);
    }
    // A package proposal's value and schedule follow its services, in the same transaction.
    svctext::settlePackage(ctx.db, key.number, key.version, false);
    tx.commit();
    return QJsonValue(qint64(types.rows.size()));
}

}  // namespace

void registerServiceReadMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetServico"), 2, AccessRule::proposal(0, 1), getServico);
    registry.add(QStringLiteral("GetObjServico"), 2, AccessRule::proposal(0, 1), getObjServico);
    registry.add(QStringLiteral("InsereServicoAuto"), 4, AccessRule::proposal(0, 1).writes(), insereServicoAuto);
}

}  // namespace cot::server::detail
