// Sending a proposal version to its client: a mail with the link to the client's page
// (server/client_page/) and the PDF the desktop rendered; the sendings of a version, the
// cancelling of a link, and the page as the salesperson previews it.
//
//   EnviarAoCliente(NR, VER, PARA, PDF) → one row: NRENVIO, DTENVIO, DTEXPIRA, DSEMAILDEST.
//       PARA: the client's addresses separated by ';' or ',' (sending_addresses.h: at most
//       5 distinct ones, the same address in any case sent to once); PDF: base64 of the
//       proposal's PDF (pdf_check.h: at most 6 MB, one a PDF reader opens, with a page and
//       no password). The link's token goes to the addresses only: neither this reply nor
//       GetEnvios carries it. The sending is recorded (ENVIOPROP, with the SHA-256 of the
//       token, never the token; the hash of the content the client will see; the PDF, stored
//       once per content; the validity as the link's last day; the caller; the distinct
//       addresses) before the mail goes out, counted in the operator's quota
//       (sending_quota.h) in the same transaction, so calls at the same time cannot all pass
//       it; a mail that fails, or a version changed meanwhile, takes the sending back.
//       Refused, with nothing written and in this order: a version not stored; one whose
//       number has another version accepted (naming it); one already accepted; one the client already decided on; no validity or a validity before
//       today; the operator's quota reached; no address; a malformed address, or too many;
//       a missing, oversized or unreadable PDF.
//   GetEnvios(NR, VER) → NRENVIO, DTENVIO, CDOPERADOR, NMOPERADOR, DSEMAILDEST, DTEXPIRA,
//       DTREVOGA, CDOPERREVOGA, IDSITUENVIO: newest first. IDSITUENVIO: C the link was
//       cancelled; D the client decided on the version (no link takes a decision any
//       more); X the link's last day has passed; V the link stands.
//   RevogarEnvio(NR, VER, NRENVIO) → null. Cancels a standing link (server clock, the
//       caller). Refused: no such sending; a link already cancelled.
//   GetPaginaCliente(NR, VER) → text: the client's page of the version as it stands now, a
//       whole HTML document with its stylesheet, read only: the version that superseded
//       it, the decision taken, or a note
//       that the client also finds the PDF and the forms there; never a form, a link or
//       a token.
// All four are open to whoever may see the version; the two that write check it again
// in the transaction that writes.
#include <QMap>
#include <algorithm>
#include <cstdio>

#include "base/clock.h"
#include "server/auth/caller.h"
#include "server/auth/proposal_rights.h"
#include "server/client_page/branch_mail.h"
#include "server/client_page/decision_store.h"
#include "server/client_page/page_address.h"
#include "server/client_page/page_html.h"
#include "server/client_page/pdf_check.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_addresses.h"
#include "server/client_page/sending_mail.h"
#include "server/client_page/sending_quota.h"
#include "server/client_page/sending_store.h"
#include "server/methods/client_sending_methods.h"
#include "server/methods/deal_acceptance.h"
#include "server/registers/branch_identity.h"
#include "server/methods/read_support.h"
#include "server/rpc/method_registry.h"
#include "server/rpc/reply.h"
#include "server/storage/database.h"
#include "server/storage/proposal_history.h"
#include "services/mail_sender.h"

namespace cot::server {

namespace {

using namespace read;
namespace cp = client_page;

// The PDF's base64, with room for padding and line breaks.
constexpr qsizetype kMostPdfText = (cp::kMostPdfBytes + 2) / 3 * 4 + 64;

struct Version {
    QString nr, ver;
};

Version versionOf(const Args& args) {
    const ProposalKey key = proposalKey(args);
    return {key.number, proposal_rights::paddedVersion(key.version)};
}

QByteArray pdfOf(const Args& args) {
    const QString invalid = QStringLiteral("O PDF da proposta é inválido.");
    if (args.isNull(3) || !args.raw(3).isString()) throw MethodError(invalid);
    const QString text = args.string(3);
    if (text.isEmpty()) throw MethodError(invalid);
    if (text.size() > kMostPdfText) throw MethodError(cp::pdfSizeRefusal(text.size() / 4 * 3));
    const QByteArray::FromBase64Result result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result) throw MethodError(invalid);
    if (const QString refusal = cp::pdfRefusal(result.decoded); !refusal.isEmpty()) throw MethodError(refusal);
    return result.decoded;
}

struct ProposalForMail {
    QString branch;
    QDateTime accepted;
    QDate validUntil;
    cp::SendingMailContent content;
};

std::optional<ProposalForMail> readProposal(Database& db, const Version& v) {
    const Packet p = db.query(QStringLiteral(R"SQL(
SELECT P.CDFILIAL, P.DTACEPROPFAS, P.DTVALPROPFAS, P.DSREFEPROPOSFAS, P.DSREFECONT, P.IDCLIENPROSP,
       C.NMFANTCLIE, PR.NMFANTPROS, CT.DSREFECONT AS NMCONTATO, O.NMOPERADOR
FROM PROPOSTAFAS P
LEFT JOIN CLIENTE C ON C.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT PR ON PR.CDPROSPECT = P.CDPROSPECT
LEFT JOIN CONTATO CT ON CT.CDFILIAL = P.CDFILIAL AND CT.NRCONTATO = P.NRCONTATO
LEFT JOIN OPERADOR O ON O.CDOPERADOR = COALESCE(NULLIF(P.CDOPERRESP, ''), P.CDOPERINCL)
WHERE %1)SQL")
                                  .arg(ProposalKey::condition(QStringLiteral("P"))),
                              {{"NR", v.nr}, {"VER", v.ver}},
                              {date("DTACEPROPFAS"), date("DTVALPROPFAS"), stored("PROPOSTAFAS", "CDFILIAL"),
                               stored("PROPOSTAFAS", "DSREFEPROPOSFAS"), stored("PROPOSTAFAS", "DSREFECONT"),
                               stored("PROPOSTAFAS", "IDCLIENPROSP"), stored("CLIENTE", "NMFANTCLIE"),
                               stored("PROSPECT", "NMFANTPROS"), text("NMCONTATO", 60), text("NMOPERADOR", 60)});
    if (p.isEmpty()) return std::nullopt;
    auto field = [&](const char* name) { return p.value(0, QString::fromLatin1(name)).toString().trimmed(); };
    ProposalForMail out;
    out.branch = field("CDFILIAL");
    out.accepted = p.value(0, QStringLiteral("DTACEPROPFAS")).toDateTime();
    out.validUntil = p.value(0, QStringLiteral("DTVALPROPFAS")).toDateTime().date();
    const QString party = field("IDCLIENPROSP") == QLatin1String("P") && !field("NMFANTPROS").isEmpty()
                              ? field("NMFANTPROS")
                              : (field("NMFANTCLIE").isEmpty() ? field("NMFANTPROS") : field("NMFANTCLIE"));
    QString addressee = field("DSREFECONT");
    if (addressee.isEmpty()) addressee = field("NMCONTATO");
    if (addressee.isEmpty()) addressee = party;
    out.content.nr = v.nr;
    out.content.ver = v.ver;
    out.content.reference = field("DSREFEPROPOSFAS");
    out.content.addressee = addressee;
    out.content.salesperson = field("NMOPERADOR");
    out.content.validUntil = out.validUntil;
    return out;
}

bool decided(Database& db, const Version& v) {
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM DECISAOPROP WHERE %1").arg(ProposalKey::condition()),
                     {{"NR", v.nr}, {"VER", v.ver}})
               .toInt() > 0;
}

// The version as it may be sent, or the refusal, in the order the contract gives.
ProposalForMail sendableProposal(Database& db, const Version& v) {
    std::optional<ProposalForMail> proposal = readProposal(db, v);
    if (!proposal) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    deal::refuseIfSuperseded(db, deal::Refused::Sending, v.nr, v.ver);
    if (proposal->accepted.isValid())
        throw MethodError(QStringLiteral("A proposta já foi aceita e não pode ser enviada ao cliente."));
    if (decided(db, v)) throw MethodError(QStringLiteral("O cliente já decidiu sobre esta versão da proposta."));
    if (!proposal->validUntil.isValid() || proposal->validUntil < Clock::current().today())
        throw MethodError(
            QStringLiteral("A proposta está vencida ou sem validade; altere a validade antes de enviá-la."));
    return *proposal;
}

// The sending is recorded, and counted in the operator's quota, before the mail goes out,
// in a transaction that judges the version again: calls made at the same time are counted
// one after the other and cannot all pass the quota. The mail goes out with no transaction
// open (the SMTP dialogue may take a minute, and SQLite's writers would all wait for it);
// then the version is judged once more. A mail that fails, or a version accepted, decided
// or changed meanwhile, takes the sending back, so the link already mailed opens nothing.
cp::Sending reserveSending(MethodContext& ctx, const Version& v, cp::Sending sending, const QString& tokenHash,
                           const QByteArray& pdf) {
    Database& db = ctx.db;
    Transaction tx(db);
    proposal_rights::requireVisible(db, ctx.caller(), v.nr, v.ver, proposal_rights::Use::Write);
    deal::lockProposalNumber(db, v.nr);
    const ProposalForMail now = sendableProposal(db, v);
    cp::requireQuota(db, sending.operatorCode, cp::sendingQuota(db, now.branch), sending.sentAt);
    sending.expires = now.validUntil;
    sending = cp::recordSending(db, sending, tokenHash, pdf);
    tx.commit();
    return sending;
}

void confirmSending(Database& db, const Version& v, const QString& contentHash) {
    Transaction tx(db);
    deal::lockProposalNumber(db, v.nr);
    sendableProposal(db, v);
    if (cp::contentHash(cp::proposalContentHtml(db, v.nr, v.ver)) != contentHash)
        throw MethodError(QStringLiteral("A proposta foi alterada durante o envio; envie-a de novo."));
    history::recordMethodRun(db, v.nr, v.ver);
    tx.commit();
}

Reply enviarAoCliente(MethodContext& ctx, const Args& args) {
    Database& db = ctx.db;
    const Version v = versionOf(args);
    const QString operatorCode = ctx.caller().operatorCode();
    ProposalForMail proposal = sendableProposal(db, v);
    // Before anything sent is looked at: a caller past his quota costs the server nothing.
    cp::requireQuota(db, operatorCode, cp::sendingQuota(db, proposal.branch), Clock::current().now());
    const QStringList to = cp::sendingAddresses(args.isNull(2) ? QString() : args.string(2));
    const QByteArray pdf = pdfOf(args);
    const QString contentHash = cp::contentHash(cp::proposalContentHtml(db, v.nr, v.ver));
    const cp::BranchMail branch = cp::branchMail(db, proposal.branch);

    const QString token = cp::newToken();
    cp::Sending sending;
    sending.nr = v.nr;
    sending.ver = v.ver;
    sending.sentAt = Clock::current().now();
    sending.operatorCode = operatorCode;
    sending.to = to.join(QStringLiteral("; "));
    sending.contentHash = contentHash;
    sending = reserveSending(ctx, v, sending, cp::tokenHash(token), pdf);
    try {
        proposal.content.link = cp::pageLink(token);
        proposal.content.pdf = pdf;
        defaultMailSender().send(branch.account, cp::sendingMail(db, proposal.content, branch, to));
        confirmSending(db, v, contentHash);
    } catch (...) {
        try {
            cp::withdrawSending(db, sending);
        } catch (const std::exception& e) {  // the caller hears of the first failure
            std::fprintf(stderr, "cot05000-server: envio %d da proposta %s/%s não desfeito: %s\n", sending.number,
                         qPrintable(v.nr), qPrintable(v.ver), e.what());
            std::fflush(stderr);
        }
        throw;
    }

    // The link is the addressees' alone: the reply names the sending by its number.
    Packet out;
    out.fields = {{QStringLiteral("NRENVIO"), FieldType::Integer, 0}, date("DTENVIO"), date("DTEXPIRA"),
                  stored("ENVIOPROP", "DSEMAILDEST")};
    out.rows = {{sending.number, sending.sentAt, QDateTime(sending.expires, QTime(0, 0)), sending.to}};
    return packetResult(out);
}

QString situation(const cp::Sending& s, bool versionDecided, const QDate& today) {
    if (s.revoked()) return QStringLiteral("C");
    if (versionDecided) return QStringLiteral("D");
    if (s.expires < today) return QStringLiteral("X");
    return QStringLiteral("V");
}

Reply getEnvios(MethodContext& ctx, const Args& args) {
    const Version v = versionOf(args);
    const QList<cp::Sending> sendings = cp::sendingsOf(ctx.db, v.nr, v.ver);
    const bool versionDecided = decided(ctx.db, v);
    const QDate today = Clock::current().today();

    Packet out;
    out.fields = {{QStringLiteral("NRENVIO"), FieldType::Integer, 0}, date("DTENVIO"), stored("OPERADOR", "CDOPERADOR"),
                  text("NMOPERADOR", 60), stored("ENVIOPROP", "DSEMAILDEST"), date("DTEXPIRA"), date("DTREVOGA"),
                  stored("ENVIOPROP", "CDOPERREVOGA"), fixed("IDSITUENVIO")};
    QMap<QString, QString> names;
    for (qsizetype i = sendings.size() - 1; i >= 0; --i) {
        const cp::Sending& s = sendings[i];
        if (!s.operatorCode.isEmpty() && !names.contains(s.operatorCode))
            names.insert(s.operatorCode,
                         ctx.db.scalar(QStringLiteral("SELECT NMOPERADOR FROM OPERADOR WHERE CDOPERADOR = :OP"),
                                       {{"OP", s.operatorCode}})
                             .toString()
                             .trimmed());
        auto orNull = [](const QString& t) { return t.isEmpty() ? QVariant() : QVariant(t); };
        out.rows.append({s.number, s.sentAt, orNull(s.operatorCode), orNull(names.value(s.operatorCode)), s.to,
                         QDateTime(s.expires, QTime(0, 0)), s.revokedAt.isValid() ? QVariant(s.revokedAt) : QVariant(),
                         orNull(s.revokedBy), situation(s, versionDecided, today)});
    }
    return packetResult(out);
}

Reply revogarEnvio(MethodContext& ctx, const Args& args) {
    const Version v = versionOf(args);
    const qint64 number = args.integer(2);
    const auto sendings = cp::sendingsOf(ctx.db, v.nr, v.ver);
    const auto found = std::find_if(sendings.begin(), sendings.end(),
                                    [&](const cp::Sending& s) { return s.number == number; });
    if (found == sendings.end()) throw MethodError(QStringLiteral("Envio não encontrado."));
    if (found->revoked() ||
        !cp::revoke(ctx.db, v.nr, v.ver, found->number, ctx.caller().operatorCode(), Clock::current().now()))
        throw MethodError(QStringLiteral("O link deste envio já foi cancelado."));
    return {};
}

Reply getPaginaCliente(MethodContext& ctx, const Args& args) {
    const Version v = versionOf(args);
    const QString content = cp::proposalContentHtml(ctx.db, v.nr, v.ver);
    if (content.isEmpty()) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    // What the client's link answers first: another version accepted, then his decision.
    const OfferIdentity who = offerIdentity(ctx.db, v.nr, v.ver).value_or(OfferIdentity{});
    if (const auto accepted = deal::acceptedOther(ctx.db, v.nr, v.ver))
        return cp::previewPage(content, deal::supersededSentence(*accepted), who);
    const std::optional<cp::Decision> decision = cp::decisionOf(ctx.db, v.nr, v.ver);
    return cp::previewPage(content, decision ? cp::decisionSentence(*decision)
                                             : QStringLiteral("Pré-visualização da página do cliente. O cliente vê "
                                                              "também o botão Baixar PDF e os formulários para "
                                                              "aceitar ou recusar a proposta."),
                           who);
}

}  // namespace

void registerClientSendingMethods(MethodRegistry& registry) {
    // Checked before the mail and again in the transaction that records the sending.
    registry.add(QStringLiteral("EnviarAoCliente"), 4, AccessRule::proposal(0, 1), enviarAoCliente);
    registry.add(QStringLiteral("GetEnvios"), 2, AccessRule::proposal(0, 1), getEnvios);
    registry.add(QStringLiteral("RevogarEnvio"), 3, AccessRule::proposal(0, 1).writes(), revogarEnvio);
    registry.add(QStringLiteral("GetPaginaCliente"), 2, AccessRule::proposal(0, 1), getPaginaCliente);
}

}  // namespace cot::server
