// Acceptance of a proposal version and the questions the approval asks around it.
//
//   AceiteProposta(NR, VER, CODE, DATE, MONTH, BRANCH, OPERATOR[, CLIENT]) → one row:
//       CDCLIENTE (the contract's client, new or not), IDCLIENTENOVO ('S' when registered
//       by this call), DTACEPROPFAS, QTLINHAS, QTSERVICOS, QTCOBRANCAS, VRCOBRLICUSO,
//       VRCOBRPACOTE. In one transaction: the acceptance recorded on the version, the
//       prospect's client registered when CLIENT (InsereCliente's eight values, see
//       client_registration.h) is given, and the contract and charging generated. Either
//       all of it is written or nothing. Refused, with nothing written: first, another
//       version of the number accepted, by the approval or by the client on his page (also
//       by a call or a page running at the same time; deal_acceptance.h), naming it; then a
//       version already accepted; a request; a date before the proposal's; a prospect without a
//       client (and no CLIENT); schedules or dates the approval refuses (see
//       acceptance_checks.h); a CLIENT naming another operator or registered for a branch
//       not the session operator's.
//   InsereCliente(PROSPECT, INSCRIPTION, COMPANY, COMPLEMENT, TRADE NAME, KIND, KIND+
//       INSCRIPTION, OPERATOR) → CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE of the new client.
//       OPERATOR is the session's and the prospect's branch one of his.
//   GetClienteCadastrado(INSCRIPTION, KIND) → true when a client (of any branch) is
//       registered under that inscription, as InsereCliente keeps it (digits of a CPF or
//       CNPJ), for that person kind; nothing else of the client is told.
//   Valida_Servico_LinhaProd(CODE, SERVICE TYPE, NR, VER) → the client's contracted
//       services of that type (none for a prospect without a client); the version's own
//       services aside.
//   GetParamEmail(LANGUAGE, KEY) → the notification's subject, recipients, template and
//       situation (no row: nothing to send).
#include "server/auth/caller.h"
#include "server/methods/acceptance_methods.h"

#include "base/clock.h"

#include "server/methods/acceptance_charging.h"
#include "server/methods/acceptance_checks.h"
#include "server/methods/client_registration.h"
#include "server/methods/deal_acceptance.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/storage/database.h"

namespace cot::server {

namespace {

using namespace read;

const QString kAlreadyAccepted = QStringLiteral("Proposta já aceita. O aceite não pode ser registrado novamente.");

QString monthOf(const QString& typed) {
    const QString m = typed.trimmed();
    if (m.isEmpty()) throw MethodError(QStringLiteral("Mês de Reajuste deve ser informado."));
    bool ok = false;
    const int n = m.toInt(&ok);
    if (!ok || n < 1 || n > 12 || m.size() > 2)
        throw MethodError(QStringLiteral("Mês de reajuste inválido: informe um mês de 01 a 12."));
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString textOf(const Packet& p, const char* field) {
    const QVariant v = p.value(0, QString::fromLatin1(field));
    return v.isNull() ? QString() : v.toString().trimmed();
}

Reply aceiteProposta(MethodContext& ctx, const Args& args) {
    Database& db = ctx.db;
    const ProposalKey key = proposalKey(args);
    const QString code = args.string(2).trimmed();
    const QDateTime typedDate = args.date(3);
    const QString branch = args.string(5).trimmed(), oper = args.string(6).trimmed();
    ctx.caller().requireBranch(branch);
    ctx.caller().requireSelf(oper);
    const bool withClient = args.size() > 7 && !args.isNull(7);
    acceptance::NewClient newClient;
    if (withClient) {
        newClient = acceptance::newClientFromValue(args.raw(7), 7, QStringLiteral("AceiteProposta"));
        if (!newClient.oper.isEmpty()) ctx.caller().requireSelf(newClient.oper);
    }
    if (!typedDate.isValid()) throw MethodError(QStringLiteral("Data de aprovação deve ser informada."));
    const QDateTime acceptedOn(typedDate.date(), QTime(0, 0));

    Transaction tx(db);
    deal::lockProposalNumber(db, key.number);
    deal::refuseIfSuperseded(db, deal::Refused::Approval, key.number, key.version);
    const Packet p = svctext::requireProposal(
        db, key.number, key.version,
        QStringLiteral("CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, CDPROSPECT, DTPROPOSFAS, DTACEPROPFAS, "
                       "IDTIPOPROPFAS, IDTIPOCOBRSERV, VRPACOTESERV, NRMESREAJPROP"));
    if (!p.value(0, "DTACEPROPFAS").isNull()) throw MethodError(kAlreadyAccepted);
    if (textOf(p, "IDSOLPROPFAS") == QLatin1String("S"))
        throw MethodError(QStringLiteral("Não é possível dar o aceite em uma proposta do tipo Solicitação."));
    if (!branch.isEmpty() && textOf(p, "CDFILIAL") != branch)
        throw MethodError(QStringLiteral("Proposta não pertence à filial informada."));
    const QDateTime created = p.value(0, "DTPROPOSFAS").toDateTime();
    if (created.isValid() && acceptedOn.date() < created.date())
        throw MethodError(QStringLiteral("Data de aprovação não pode ser menor que data da proposta."));
    const QString month = monthOf(args.string(4).trimmed().isEmpty() ? textOf(p, "NRMESREAJPROP") : args.string(4));
    QString client;
    bool registering = false;
    if (textOf(p, "IDCLIENPROSP") == QLatin1String("P")) {
        const QString prospect = textOf(p, "CDPROSPECT");
        client = acceptance::clientOfProspect(db, prospect);
        if (!code.isEmpty() && code != prospect && code != client)
            throw MethodError(QStringLiteral("Prospect informado não corresponde ao da proposta."));
        if (withClient) {
            if (newClient.prospect.isEmpty()) newClient.prospect = prospect;
            if (newClient.prospect != prospect)
                throw MethodError(QStringLiteral("Prospect informado não corresponde ao da proposta."));
            if (newClient.oper.isEmpty()) newClient.oper = oper;
            registering = true;
        } else if (client.isEmpty()) {
            throw MethodError(QStringLiteral("Não é possivel aprovar proposta com prospect."));
        }
    } else {
        client = textOf(p, "CDCLIENTE");
        if (client.isEmpty()) throw MethodError(QStringLiteral("Cliente da proposta não informado."));
        if (!code.isEmpty() && code != client)
            throw MethodError(QStringLiteral("Cliente informado não corresponde ao da proposta."));
    }

    acceptance::AcceptedProposal accepted;
    accepted.number = key.number;
    accepted.version = key.version;
    accepted.branch = branch.isEmpty() ? textOf(p, "CDFILIAL") : branch;
    accepted.readjustMonth = month;
    accepted.oper = oper;
    accepted.contract = textOf(p, "IDTIPOPROPFAS");
    accepted.serviceCharging = textOf(p, "IDTIPOCOBRSERV");
    accepted.packageValue = p.value(0, "VRPACOTESERV").toDouble();
    accepted.acceptedOn = acceptedOn;
    // Everything refused is refused before the first write.
    acceptance::checkAcceptable(db, accepted);
    if (registering) client = acceptance::registerClient(db, newClient, ctx.caller()).code;

    const int updated = db.exec(QStringLiteral("UPDATE PROPOSTAFAS SET DTACEPROPFAS = :D, CDOPERACEITE = :OP, "
                                               "NRMESREAJPROP = :MES, IDCLIENPROSP = 'C', CDCLIENTE = :C "
                                               "WHERE %1 AND DTACEPROPFAS IS NULL")
                                    .arg(ProposalKey::condition()),
                                {{"D", acceptedOn}, {"OP", oper.isEmpty() ? QVariant() : QVariant(oper)},
                                 {"MES", month}, {"C", client}, {"NR", key.number}, {"VER", key.version}});
    if (updated != 1) throw MethodError(kAlreadyAccepted);
    // One contract per proposal: the number's deal row refuses a client's acceptance of
    // another version committed meanwhile. A version the client accepted keeps its row.
    if (const auto other = deal::claim(db, key.number, key.version, Clock::current().now()))
        throw MethodError(deal::refusal(deal::Refused::Approval, *other, key.version));
    db.exec(QStringLiteral("UPDATE CLIENTE SET NRMESREAJCLIE = :MES WHERE CDCLIENTE = :C AND NRMESREAJCLIE IS NULL"),
            {{"MES", month}, {"C", client}});

    accepted.client = client;
    const acceptance::ChargingSummary summary = acceptance::generateCharging(db, accepted);
    tx.commit();

    Packet out{{stored("CLIENTE", "CDCLIENTE"), fixed("IDCLIENTENOVO"), date("DTACEPROPFAS"), number("QTLINHAS"),
                number("QTSERVICOS"), number("QTCOBRANCAS"), number("VRCOBRLICUSO"), number("VRCOBRPACOTE")}, {}};
    out.rows << QVariantList{client,
                             registering ? QStringLiteral("S") : QStringLiteral("N"),
                             acceptedOn,
                             double(summary.lines),
                             double(summary.services),
                             double(summary.charges),
                             static_cast<double>(summary.licence),
                             static_cast<double>(summary.package)};
    return packetResult(out);
}

Reply insereCliente(MethodContext& ctx, const Args& args) {
    const acceptance::NewClient client = acceptance::newClientFromArgs(args, 0);
    Transaction tx(ctx.db);
    const acceptance::RegisteredClient made = acceptance::registerClient(ctx.db, client, ctx.caller());
    tx.commit();
    Packet out{{stored("SERVCLIE", "CDCLIENTE"), fixed("IDTPIJURCLIE"), stored("CLIENTE", "NRINSJURCLIE")}, {}};
    out.rows << QVariantList{made.code, made.personKind, made.inscription};
    return packetResult(out);
}

Reply getClienteCadastrado(MethodContext& ctx, const Args& args) {
    return acceptance::inscriptionRegistered(ctx.db, args.string(0).trimmed(), args.string(1).trimmed());
}

Reply validaServicoLinhaProd(MethodContext& ctx, const Args& args) {
    const QString code = args.string(0).trimmed(), type = args.string(1).trimmed();
    const QString nr = args.string(2).trimmed(), ver = args.string(3).trimmed();
    const QList<FieldDef> fields{stored("SERVCLIE", "CDCLIENTE"), stored("SERVCLIE", "NRPROPOSFAS"),
                                 stored("SERVCLIE", "NRVERPROPFAS"), stored("SERVCLIE", "NRSERVPROP"),
                                 stored("SERVCLIE", "CDTIPOSERV"), stored("TIPOSERV", "NMTIPOSERV")};
    if (code.isEmpty() || type.isEmpty()) return packetResult(Packet{fields, {}});
    // The code is the client's, or a prospect's that has become one.
    return packetResult(shaped(ctx.db,
                               QStringLiteral(R"SQL(
SELECT S.CDCLIENTE, S.NRPROPOSFAS, S.NRVERPROPFAS, S.NRSERVPROP, S.CDTIPOSERV, T.NMTIPOSERV
FROM SERVCLIE S
LEFT JOIN TIPOSERV T ON T.CDTIPOSERV = S.CDTIPOSERV
WHERE S.CDTIPOSERV = :T
  AND (S.CDCLIENTE = :C OR S.CDCLIENTE IN (SELECT PR.CDCLIENTE FROM PROSPECT PR WHERE PR.CDPROSPECT = :C))
  AND NOT (%1)
ORDER BY S.NRPROPOSFAS, S.NRVERPROPFAS, S.NRSERVPROP)SQL")
                                   .arg(ProposalKey::condition(QStringLiteral("S"))),
                               {{"C", code}, {"T", type}, {"NR", nr}, {"VER", ver}}, fields));
}

Reply getParamEmail(MethodContext& ctx, const Args& args) {
    const QList<FieldDef> fields{stored("PARAMEMAIL", "IDIDIOMA"), stored("PARAMEMAIL", "CDPARAMEMAIL"),
                                 stored("PARAMEMAIL", "DSASSUNPAREMAIL"), stored("PARAMEMAIL", "TXENDERPAREMAIL"),
                                 stored("PARAMEMAIL", "TXTEXTOPAREMAIL"), fixed("IDSITUPARAEMAIL")};
    return packetResult(shaped(ctx.db, QStringLiteral(R"SQL(
SELECT IDIDIOMA, CDPARAMEMAIL, DSASSUNPAREMAIL, TXENDERPAREMAIL, TXTEXTOPAREMAIL, IDSITUPARAEMAIL
FROM PARAMEMAIL WHERE IDIDIOMA = :L AND CDPARAMEMAIL = :K)SQL"),
                               {{"L", args.string(0).trimmed().toUpper()}, {"K", args.string(1).trimmed()}}, fields));
}

}  // namespace

void registerAcceptanceMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("AceiteProposta"), 7, 8, AccessRule::proposal(0, 1).branch(5).self(6).writes(), aceiteProposta);
    registry.add(QStringLiteral("InsereCliente"), 8, AccessRule::session().self(7).writes(), insereCliente);
    registry.add(QStringLiteral("GetClienteCadastrado"), 2, AccessRule::session(), getClienteCadastrado);
    registry.add(QStringLiteral("Valida_Servico_LinhaProd"), 4, AccessRule::proposal(2, 3), validaServicoLinhaProd);
    registry.add(QStringLiteral("GetParamEmail"), 2, AccessRule::session(), getParamEmail);
}

}  // namespace cot::server
