// Copy of a proposal version to a new version of the same number.
//
//   CopiaProposta(FILIAL, NR, VER) → the version's record as the copy dialog shows it:
//       NRPROPOSFAS, NRVERPROPFAS, DTPROPOSFAS, CDOPERINCL, IDCLIENPROSP, NRCONTATO,
//       CDPROSPECT, DTVALPROPFAS, DTACEPROPFAS, CDFILIAL, CDCLIENTE, CDOPERADOR (the
//       operator who included it), NMOPERADOR, CODIGO and NOME (client or prospect),
//       DSREFEPROPOSFAS. Refused when the version is not in the branch, or when every
//       version 01 to 99 of the number is taken (there is no version to copy to).
//   CopiaDados(FILIAL, NR, VER, NOVAVER, MANTEM_ACEITE) → null. Creates NOVAVER as a copy
//       of VER in one transaction: the header and every row quoted under it (product lines,
//       their systems and installments, services, package installments, the services'
//       objective, texts, observation, simulations and their lines). Either all of it is
//       written or nothing. Charges issued at acceptance (COBRPROP) belong to the accepted
//       version and the texts' regeneration history to the version that was regenerated;
//       neither is copied. MANTEM_ACEITE 'N' (what the dialog sends) leaves the new
//       version without an acceptance date, open for editing; 'S' would keep it, and is
//       refused for an accepted source: "Uma proposta tem uma só versão aceita: a cópia não
//       pode manter o aceite." (a number has one accepted version).
//       The new version is any free one from 01 to 99, below the highest as well as above
//       it, exactly two digits as every version (proposal_key.h). Refused with nothing
//       written: version missing, not two digits or 00; every version 01 to 99 taken; the
//       version taken; the source not in the branch; a number with an accepted version
//       (deal_acceptance.h), unless the operator's group may reopen accepted deals: then a
//       deal only the client accepted opens again, and an approved one stays as it is.
//       Both versions' histories get a row of the copy.
#include "server/methods/copy_methods.h"

#include "server/auth/caller.h"
#include "server/auth/proposal_key.h"
#include "server/methods/deal_acceptance.h"
#include "server/methods/proposal_versions.h"
#include "server/methods/read_support.h"
#include "server/methods/service_text_support.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/storage/database.h"
#include "server/storage/proposal_history.h"

namespace cot::server {

namespace {

// Tables copied with the version, parents before children. Column lists are ours, never
// the caller's; NRVERPROPFAS is left out and written from the parameter.
struct CopiedTable {
    const char* table;
    const char* columns;
};

const CopiedTable kCopied[] = {
    {"PROPOSTAFAS",
     "NRPROPOSFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, CDPROSPECT, NRCONTATO, DSREFECONT, "
     "DSREFEPROPOSFAS, DTPROPOSFAS, DTACEPROPFAS, DTVALPROPFAS, CDOPERSOLI, CDOPERINCL, CDOPERRESP, CDINDICE1, "
     "CDTPINDICE1, IDPERVALOR1, VRPEINCIND1, CDINDICE2, CDTPINDICE2, IDPERVALOR2, VRPEINCIND2, IDTPREAJPROP, "
     "NRMESREAJPROP, CDPROCOMERCI, IDIDIOMA, VRPACOTESERV, IDTIPOCOBRSERV, IDTIPOPROPFAS, DSEMAIPROFAS, "
     "NRFAXPROPFAS, DSOBSPROPFAS, CDINTECLIE, CDINTEPROS, DTINCLUSAO"},
    {"LINPPROP",
     "NRPROPOSFAS, CDLINPPROP, CDLINPPROPINFOR, NMLINPPROP, NRUSUALINPP, IDTIPLINPP, QTMINIMAFATPROP, "
     "VRLICENCUSOPROP, VRMENSALIDAPROP, VRDESLICUSOPROP, VRDESMENSALPROP, IDMPROCLINPP, IDLPROCLINPP, DTCALUSLINPP, "
     "IDAMBLINPP"},
    {"SISTLINPPROP", "NRPROPOSFAS, CDLINPPROP, CDSISTEMA"},
    {"VENCLINPPROP", "NRPROPOSFAS, CDLINPPROP, DTVELUSOPEDP, VRVELUSOPEDP"},
    {"SERVPROP",
     "NRPROPOSFAS, NRSERVPROP, CDTIPOSERV, DSLOCALPROP, IDTIPOCOBRPROP, VRPEACHEPROP, QTSERVPROP, VREXCEDPROP, "
     "VRHORAPROP, VRDEHORAPROP, VRPEHORAPROP, NRMESREAJPROP"},
    {"VENCSERVPROP", "NRPROPOSFAS, DTVENCSERVPROP, VRVENCSERVPROP"},
    {"OBJSERVPROP", "NRPROPOSFAS, TXOBJETPROPFAS"},
    {"TXTPROPFAS", "NRPROPOSFAS, CDTXTPROPFAS, NRORDEMMSG, TXPROPFAS"},
    {"OBSPROPFAS", "NRPROPOSFAS, TXOBSPROPFAS"},
    {"SIMULAPROP", "NRPROPOSFAS, NRSIMULAPROP, NRORDSIMULAPROP, NMSIMULAPROP"},
    {"SIMULALINP", "NRPROPOSFAS, NRSIMULAPROP, NRORDLINPSIMULA, CDLINPPROP, QTUTILSIMULINP"},
};

// The new version: 01 to 99, exactly two digits.
QString newVersion(const Args& args, int i) {
    if (args.isNull(i) || (args.raw(i).isString() && args.string(i).isEmpty()))
        throw MethodError(QStringLiteral("Versão da Proposta deve ser informada."));
    const QString v = proposal_key::versionArg(args, i);
    if (v.toInt() < 1) throw MethodError(QStringLiteral("Versão da proposta deve estar entre 01 e 99."));
    return v;
}

void requireBranch(Database& db, const QString& branch, const QString& number, const QString& version) {
    if (number.isEmpty() || version.isEmpty())
        throw MethodError(QStringLiteral("Número e versão da proposta devem ser informados."));
    const Packet p = svctext::lockedProposal(db, number, version, QStringLiteral("CDFILIAL"));
    if (p.rows.isEmpty()) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    if (!branch.isEmpty() && p.value(0, "CDFILIAL").toString().trimmed() != branch)
        throw MethodError(QStringLiteral("Proposta não pertence à filial informada."));
}

// A taken target has its own answer; this one is for a number with no version left at all.
void requireVersionLeft(Database& db, const QString& number) {
    if (versionToPropose(db, number).isEmpty())
        throw MethodError(QStringLiteral("A proposta já atingiu o número máximo de versões (99)."));
}

Reply copiaProposta(MethodContext& ctx, const Args& args) {
    // Number and version exactly as the rule took them.
    const QString branch = args.string(0).trimmed(), number = args.string(1), version = args.string(2);
    requireBranch(ctx.db, branch, number, version);
    requireVersionLeft(ctx.db, number);
    const QList<FieldDef> shape{
        {QStringLiteral("NRPROPOSFAS"), FieldType::String, 20}, {QStringLiteral("NRVERPROPFAS"), FieldType::String, 2},
        {QStringLiteral("DTPROPOSFAS"), FieldType::DateTime, 0}, {QStringLiteral("CDOPERINCL"), FieldType::String, 12},
        {QStringLiteral("IDCLIENPROSP"), FieldType::String, 1}, {QStringLiteral("NRCONTATO"), FieldType::String, 10},
        {QStringLiteral("CDPROSPECT"), FieldType::String, 21}, {QStringLiteral("DTVALPROPFAS"), FieldType::DateTime, 0},
        {QStringLiteral("DTACEPROPFAS"), FieldType::DateTime, 0}, {QStringLiteral("CDFILIAL"), FieldType::String, 4},
        {QStringLiteral("CDCLIENTE"), FieldType::String, 21}, {QStringLiteral("CDOPERADOR"), FieldType::String, 12},
        {QStringLiteral("NMOPERADOR"), FieldType::String, 40}, {QStringLiteral("CODIGO"), FieldType::String, 21},
        {QStringLiteral("NOME"), FieldType::String, 50}, {QStringLiteral("DSREFEPROPOSFAS"), FieldType::String, 100}};
    return packetResult(ctx.db.query(QStringLiteral(R"SQL(
SELECT P.NRPROPOSFAS, P.NRVERPROPFAS, P.DTPROPOSFAS, P.CDOPERINCL, P.IDCLIENPROSP, P.NRCONTATO, P.CDPROSPECT,
       P.DTVALPROPFAS, P.DTACEPROPFAS, P.CDFILIAL, P.CDCLIENTE, P.CDOPERINCL AS CDOPERADOR, O.NMOPERADOR,
       CASE WHEN P.IDCLIENPROSP = 'P' THEN P.CDPROSPECT ELSE P.CDCLIENTE END AS CODIGO,
       CASE WHEN P.IDCLIENPROSP = 'P' THEN PR.NMFANTPROS ELSE CL.NMFANTCLIE END AS NOME,
       P.DSREFEPROPOSFAS
FROM PROPOSTAFAS P
LEFT JOIN CLIENTE CL ON CL.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT PR ON PR.CDPROSPECT = P.CDPROSPECT
LEFT JOIN OPERADOR O ON O.CDOPERADOR = P.CDOPERINCL
WHERE %1)SQL")
                                         .arg(read::ProposalKey::condition(QStringLiteral("P"))),
                                     {{"NR", number}, {"VER", version}}, shape));
}

Reply copiaDados(MethodContext& ctx, const Args& args) {
    const QString branch = args.string(0).trimmed(), number = args.string(1), source = args.string(2);
    const QString target = newVersion(args, 3);
    const QString keep = args.string(4).trimmed().toUpper();
    if (keep != QLatin1String("N") && keep != QLatin1String("S"))
        throw MethodError(QStringLiteral("Indicador de manutenção do aceite deve ser S ou N."));

    Transaction tx(ctx.db);
    // Every version of the number, in the order an acceptance takes them, so the deal the
    // copy may reopen does not change under it.
    deal::lockProposalNumber(ctx.db, number);
    // Locks the source: two copies of one proposal wait for each other, so the second
    // finds the version taken instead of tripping over the key.
    requireBranch(ctx.db, branch, number, source);
    requireVersionLeft(ctx.db, number);
    if (ctx.db
            .scalar(QStringLiteral("SELECT COUNT(*) FROM PROPOSTAFAS WHERE %1").arg(read::ProposalKey::condition()),
                    {{"NR", number}, {"VER", target}})
            .toInt() > 0)
        throw MethodError(QStringLiteral("Proposta já cadastrada para versão informada."));
    deal::reopenForNewVersion(ctx.db, ctx.caller().operatorCode(), number, target);

    const QVariantMap params{{"NR", number}, {"VER", source}, {"NV", target}};
    for (const CopiedTable& t : kCopied) {
        const QString columns = QString::fromLatin1(t.columns);
        ctx.db.exec(QStringLiteral("INSERT INTO %1 (NRVERPROPFAS, %2) SELECT :NV, %2 FROM %1 "
                                   "WHERE %3")
                        .arg(QString::fromLatin1(t.table), columns, read::ProposalKey::condition()),
                    params);
    }
    // One accepted version per number: a copy never carries the acceptance along.
    if (keep == QLatin1String("S") &&
        !ctx.db
             .scalar(
                 QStringLiteral("SELECT DTACEPROPFAS FROM PROPOSTAFAS WHERE %1").arg(read::ProposalKey::condition()),
                 {{"NR", number}, {"VER", source}})
             .isNull())
        throw MethodError(QStringLiteral("Uma proposta tem uma só versão aceita: a cópia não pode manter o aceite."));
    if (keep == QLatin1String("N"))
        ctx.db.exec(
            QStringLiteral("UPDATE PROPOSTAFAS SET DTACEPROPFAS = NULL WHERE %1").arg(read::ProposalKey::condition()),
            {{"NR", number}, {"VER", target}});
    // The new version's history starts with the copy that wrote it, naming the version it
    // came from (the source's run is recorded by the dispatcher under the source version).
    history::recordMethodRun(ctx.db, number, target, number + u'/' + source);
    tx.commit();
    return QJsonValue();
}

}  // namespace

void registerCopyMethods(MethodRegistry& registry) {
    registry.add(QStringLiteral("CopiaProposta"), 3, AccessRule::proposal(1, 2).branch(0), copiaProposta);
    registry.add(QStringLiteral("CopiaDados"), 5, AccessRule::proposal(1, 2).branch(0).writes(), copiaDados);
}

}  // namespace cot::server
