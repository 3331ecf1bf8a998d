#include "server/methods/proposal_methods.h"

#include "server/auth/caller.h"
#include "server/auth/proposal_key.h"
#include "server/methods/numbering.h"
#include "server/methods/proposal_list.h"
#include "server/methods/proposal_versions.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/storage/database.h"
#include "server/storage/resolver.h"

namespace cot::server {

namespace {

const TableResolver& proposalResolver() {
    // Who accepted it and the version's value are the server's own.
    static const TableResolver resolver =
        tableResolver(QStringLiteral("PROPOSTAFAS"), {QStringLiteral("CDOPERACEITE"), QStringLiteral("VRTOTCENTPROP"),
                                                      QStringLiteral("VRMENCENTPROP")});
    return resolver;
}

// Operator "T": every proposal of the branch. Otherwise the proposals the operator
// included or requested, which are the ones he works on.
Reply getProposta(MethodContext& ctx, const Args& args) {
    const QString branch = args.string(0).trimmed();
    const QString op = args.string(1).trimmed();
    Caller& caller = ctx.caller();
    const bool all = op.compare(QLatin1String("T"), Qt::CaseInsensitive) == 0;
    if (all) caller.requireAllProposals();
    else if (!caller.seesAllProposals()) caller.requireSelf(op);
    if (all)
        return proposalList(ctx.db, QStringLiteral("P.CDFILIAL = :FILIAL"), {{"FILIAL", branch}});
    return proposalList(ctx.db, QStringLiteral("P.CDFILIAL = :FILIAL AND (P.CDOPERINCL = :OPER OR P.CDOPERSOLI = :OPER)"),
                        {{"FILIAL", branch}, {"OPER", op}});
}

Reply setProposta(MethodContext& ctx, const Args& args) {
    const Delta delta = args.delta(0);
    Transaction tx(ctx.db);
    applyProposalDelta(ctx.db, delta);
    tx.commit();
    return QJsonValue();
}

Reply prxProposta(MethodContext& ctx, const Args&) {
    const qint64 n = nextNumber(ctx.db, QStringLiteral("PROPOSTA"), [&] {
        return ctx.db.scalar(QStringLiteral("SELECT MAX(NRPROPOSFAS) FROM PROPOSTAFAS")).toString().toLongLong();
    });
    return paddedNumber(n, 20);
}

// The version the copy dialog and a new header offer: the one after the highest, or, once
// version 99 exists, the lowest one free (proposal_versions.h). Refused only when all 99
// are taken. One row, NRVERPROPFAS, as the dialog reads it.
Reply getMaxVerPropFas(MethodContext& ctx, const Args& args) {
    const QString free = versionToPropose(ctx.db, args.string(0).trimmed());
    if (free.isEmpty()) throw MethodError(QStringLiteral("A proposta já atingiu o número máximo de versões (99)."));
    Packet p;
    p.fields = {{QStringLiteral("NRVERPROPFAS"), FieldType::String, 20}};
    p.rows << QVariantList{free};
    return packetResult(p);
}

// Number and version are unique across branches (numbers are issued once for all), so a
// version taken in another branch is reported as taken too. Both are exactly a key
// (proposal_key.h), as the header will store them: a version typed "2" is refused.
Reply validaProposta(MethodContext& ctx, const Args& args) {
    const QString number = proposal_key::numberArg(args, 1, true);
    const QString version = proposal_key::versionArg(args, 2, true);
    const QList<FieldDef> shape{{QStringLiteral("CDFILIAL"), FieldType::String, 4},
                                {QStringLiteral("NRPROPOSFAS"), FieldType::String, 20},
                                {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2}};
    return packetResult(ctx.db.query(QStringLiteral("SELECT CDFILIAL, NRPROPOSFAS, NRVERPROPFAS FROM PROPOSTAFAS "
                                                    "WHERE %1")
                                         .arg(read::ProposalKey::condition()),
                                     {{"NR", number}, {"VER", version}}, shape));
}

Reply getParamPerc(MethodContext& ctx, const Args&) {
    return packetResult(ctx.db.query(QStringLiteral("SELECT VRTXJUROSLICUSO FROM PARAMPROP"), {},
                                     {{QStringLiteral("VRTXJUROSLICUSO"), FieldType::Float, 0}}));
}

// Whether the session's operator sees every proposal of his branches (a group of his is
// authorised for proposals) or only those he included or requested.
Reply getVeTodasPropostas(MethodContext& ctx, const Args&) { return ctx.caller().seesAllProposals(); }

}  // namespace

void applyProposalDelta(Database& db, const Delta& delta) {
    const int nr = delta.indexOf(QStringLiteral("NRPROPOSFAS"));
    const int ver = delta.indexOf(QStringLiteral("NRVERPROPFAS"));
    applyDelta(db, proposalResolver(), delta, [&](RowChange& change) {
        if (change.op == ChangeOp::Delete) {
            // Lines, services, texts and simulations go with the version (cascading keys);
            // an accepted one also has contract and charging rows that must keep their origin.
            // The row is locked so an acceptance committing meanwhile is seen.
            const QString lock = db.dialect() == Dialect::Postgres ? QStringLiteral(" FOR UPDATE") : QString();
            const QVariantMap key{{"NR", nr >= 0 ? change.oldValues.value(nr).toString().trimmed() : QString()},
                                  {"VER", ver >= 0 ? change.oldValues.value(ver).toString().trimmed() : QString()}};
            const QVariant accepted = db.scalar(
                QStringLiteral("SELECT DTACEPROPFAS FROM PROPOSTAFAS WHERE %1").arg(read::ProposalKey::condition()) +
                    lock,
                key);
            if (!accepted.isNull()) throw MethodError(QStringLiteral("Proposta aceita não pode ser excluída."));
            // Its sendings to the client, the client's decision (and the deal it held), its loss have no key tied
            // to the version: they go here, so a version created again under the same key
            // starts without them.
            for (const char* table : {"ENVIOPROP", "DECISAOPROP", "PERDAPROP", "ACEITEPROP"})
                db.exec(
                    QStringLiteral("DELETE FROM %1 WHERE %2").arg(QLatin1String(table), read::ProposalKey::condition()),
                    key);
            return;
        }
        const QString number = nr >= 0 ? change.newValues.value(nr).toString().trimmed() : QString();
        const QString version = ver >= 0 ? change.newValues.value(ver).toString().trimmed() : QString();
        if (change.op == ChangeOp::Insert && (number.isEmpty() || version.isEmpty()))
            throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
        if (change.op != ChangeOp::Insert) return;
        // A clear answer instead of the engine's key violation.
        const QVariant taken =
            db.scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE %1").arg(read::ProposalKey::condition()),
                      {{"NR", number}, {"VER", version}});
        if (taken.toInt() > 0) throw MethodError(QStringLiteral("Proposta já cadastrada para versão informada."));
    });
}

void registerProposalMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("GetProposta"), 2, AccessRule::session().branch(0), getProposta);
    registry.add(QStringLiteral("SetProposta"), 1, AccessRule::headerDelta(0), setProposta);
    registry.add(QStringLiteral("PrxProposta"), 0, AccessRule::session(), prxProposta);
    registry.add(QStringLiteral("getMaxVerPropFas"), 1, AccessRule::proposalNumber(0), getMaxVerPropFas);
    registry.add(QStringLiteral("ValidaProposta"), 3, AccessRule::session().branch(0), validaProposta);
    registry.add(QStringLiteral("GetParamPerc"), 0, AccessRule::session(), getParamPerc);
    registry.add(QStringLiteral("GetVeTodasPropostas"), 0, AccessRule::session(), getVeTodasPropostas);
}

}  // namespace cot::server
