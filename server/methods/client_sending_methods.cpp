// Sending a proposal version to its client: a mail with the link to the client's page
// (server/client_page/) and the PDF the desktop rendered; the sendings of a version and
// the cancelling of a link.
//
//   EnviarAoCliente(NR, VER, PARA, PDF) → one row: NRENVIO, DTENVIO, DTEXPIRA, DSLINK.
//       PARA: the client's addresses separated by ';' or ',' (1 to 10 of them, the whole
//       text at most 250 characters); PDF: base64 of the proposal's PDF (at most 6 MB, a
//       file starting "%PDF-"). In one transaction: the sending recorded (ENVIOPROP, with
//       the SHA-256 of the link's token, never the token; the hash of the content the
//       client will see; the PDF; the validity as the link's last day; the caller) after
//       the mail went out through the branch's account, so a mail that fails leaves nothing
//       and no link stands that nobody received. Refused, with nothing written and in this
//       order: a version not stored; one already accepted; one the client already decided
//       on; no validity or a validity before today; no address; a malformed address, or
//       too many; a missing, oversized or non-PDF file.
//   GetEnvios(NR, VER) → NRENVIO, DTENVIO, CDOPERADOR, NMOPERADOR, DSEMAILDEST, DTEXPIRA,
//       DTREVOGA, CDOPERREVOGA, IDSITUENVIO: newest first. IDSITUENVIO: C the link was
//       cancelled; D the client decided on the version (no link takes a decision any
//       more); X the link's last day has passed; V the link stands.
//   RevogarEnvio(NR, VER, NRENVIO) → null. Cancels a standing link (server clock, the
//       caller). Refused: no such sending; a link already cancelled.
// All three are open to whoever may see the version; the two that write check it again
// in the transaction that writes.
#include <QMap>
#include <QRegularExpression>
#include <algorithm>

#include "base/clock.h"
#include "server/auth/caller.h"
#include "server/auth/proposal_rights.h"
#include "server/client_page/branch_mail.h"
#include "server/client_page/page_address.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_mail.h"
#include "server/client_page/sending_store.h"
#include "server/methods/client_sending_methods.h"
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

constexpr int kMostAddresses = 10;
constexpr qsizetype kAddressText = 250;  // DSEMAILDEST
// 6 MB of PDF is 8 000 000 characters of base64: the request stays under the server's
// 8 MiB body limit with room for the rest of the call.
constexpr qsizetype kMostPdfBytes = 6'000'000;
constexpr qsizetype kMostPdfText = (kMostPdfBytes + 2) / 3 * 4 + 64;

struct Version {
    QString nr, ver;
};

Version versionOf(const Args& args) {
    const ProposalKey key = proposalKey(args);
    return {key.number, proposal_rights::paddedVersion(key.version)};
}

// One address: a local part and a domain of at least two labels, nothing a header or the
// SMTP dialogue would read otherwise.
bool wellFormedAddress(const QString& address) {
    static const QRegularExpression shape(QStringLiteral(
        R"(^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]{1,64}@(?=.{4,253}$)([A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?\.)+)"
        R"([A-Za-z]{2,63}$)"));
    return shape.match(address).hasMatch() && !address.startsWith(u'.') && !address.contains(QStringLiteral(".."));
}

QStringList addressesOf(const QString& typed) {
    const QStringList list = splitAddressList(typed);
    if (list.isEmpty()) throw MethodError(QStringLiteral("Informe o e-mail do cliente."));
    if (typed.trimmed().size() > kAddressText || list.size() > kMostAddresses)
        throw MethodError(QStringLiteral("Informe no máximo %1 e-mails, em até %2 caracteres.")
                              .arg(kMostAddresses)
                              .arg(kAddressText));
    for (const QString& address : list)
        if (!wellFormedAddress(address))  // shown on one line, whatever breaks it carried
            throw MethodError(QStringLiteral("E-mail inválido: %1.").arg(address.simplified()));
    return list;
}

QByteArray pdfOf(const Args& args) {
    const QString invalid = QStringLiteral("O PDF da proposta é inválido.");
    if (args.isNull(3) || !args.raw(3).isString()) throw MethodError(invalid);
    const QString text = args.string(3);
    if (text.isEmpty() || text.size() > kMostPdfText) throw MethodError(invalid);
    const QByteArray::FromBase64Result result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() > kMostPdfBytes || !result.decoded.startsWith("%PDF-"))
        throw MethodError(invalid);
    return result.decoded;
}

// Every version of the number, locked to the end of the transaction, as the acceptance
// does: a sending and an acceptance of the same proposal never cross, and two sendings of
// a version are numbered one after the other. SQLite's writers are already one at a time.
void lockProposalNumber(Database& db, const QString& number) {
    if (db.dialect() != Dialect::Postgres) return;
    db.query(QStringLiteral("SELECT NRVERPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :NR ORDER BY NRVERPROPFAS "
                            "FOR UPDATE"),
             {{"NR", number}});
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
WHERE P.NRPROPOSFAS = :NR AND P.NRVERPROPFAS = :VER)SQL"),
                              {{"NR", v.nr}, {"VER", v.ver}},
                              {date("DTACEPROPFAS"), date("DTVALPROPFAS"), text("CDFILIAL", 4),
                               text("DSREFEPROPOSFAS", 100), text("DSREFECONT", 60), text("IDCLIENPROSP", 1),
                               text("NMFANTCLIE", 50), text("NMFANTPROS", 50), text("NMCONTATO", 60),
                               text("NMOPERADOR", 60)});
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
    return db.scalar(QStringLiteral("SELECT COUNT(*) FROM DECISAOPROP WHERE NRPROPOSFAS = :NR AND NRVERPROPFAS = :VER"),
                     {{"NR", v.nr}, {"VER", v.ver}})
               .toInt() > 0;
}

// The version as it may be sent, or the refusal, in the order the contract gives.
ProposalForMail sendableProposal(Database& db, const Version& v) {
    std::optional<ProposalForMail> proposal = readProposal(db, v);
    if (!proposal) throw MethodError(QStringLiteral("Proposta não cadastrada."));
    if (proposal->accepted.isValid())
        throw MethodError(QStringLiteral("A proposta já foi aceita e não pode ser enviada ao cliente."));
    if (decided(db, v)) throw MethodError(QStringLiteral("O cliente já decidiu sobre esta versão da proposta."));
    if (!proposal->validUntil.isValid() || proposal->validUntil < Clock::current().today())
        throw MethodError(
            QStringLiteral("A proposta está vencida ou sem validade; altere a validade antes de enviá-la."));
    return *proposal;
}

// The mail goes out before anything is written and outside any transaction: the SMTP
// dialogue may take a minute, and SQLite's writers would all wait for it. The sending is
// then recorded in its own transaction, judged again on the rows as they are by then; a
// version accepted, decided or changed meanwhile is refused, and the link already mailed
// opens nothing, since no sending holds its token.
Reply enviarAoCliente(MethodContext& ctx, const Args& args) {
    Database& db = ctx.db;
    const Version v = versionOf(args);
    ProposalForMail proposal = sendableProposal(db, v);
    const QString typed = args.isNull(2) ? QString() : args.string(2).trimmed();
    const QStringList to = addressesOf(typed);
    const QByteArray pdf = pdfOf(args);
    const QString contentHash = cp::contentHash(cp::proposalContentHtml(db, v.nr, v.ver));
    const cp::BranchMail branch = cp::branchMail(db, proposal.branch);

    const QString token = cp::newToken();
    proposal.content.link = cp::pageLink(token);
    proposal.content.pdf = pdf;
    defaultMailSender().send(branch.account, cp::sendingMail(proposal.content, branch.from, to));

    Transaction tx(db);
    proposal_rights::requireVisible(db, ctx.caller(), v.nr, v.ver, proposal_rights::Use::Write);
    lockProposalNumber(db, v.nr);
    const ProposalForMail now = sendableProposal(db, v);
    if (cp::contentHash(cp::proposalContentHtml(db, v.nr, v.ver)) != contentHash)
        throw MethodError(QStringLiteral("A proposta foi alterada durante o envio; envie-a de novo."));
    cp::Sending sending;
    sending.nr = v.nr;
    sending.ver = v.ver;
    sending.sentAt = Clock::current().now();
    sending.operatorCode = ctx.caller().operatorCode();
    sending.to = typed;
    sending.expires = now.validUntil;
    sending.contentHash = contentHash;
    sending = cp::recordSending(db, sending, cp::tokenHash(token), pdf);
    history::recordMethodRun(db, v.nr, v.ver);
    tx.commit();

    Packet out;
    out.fields = {{QStringLiteral("NRENVIO"), FieldType::Integer, 0}, date("DTENVIO"), date("DTEXPIRA"),
                  text("DSLINK", 300)};
    out.rows = {{sending.number, sending.sentAt, QDateTime(sending.expires, QTime(0, 0)), proposal.content.link}};
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
    out.fields = {{QStringLiteral("NRENVIO"), FieldType::Integer, 0},
                  date("DTENVIO"),
                  text("CDOPERADOR", 12),
                  text("NMOPERADOR", 60),
                  text("DSEMAILDEST", 250),
                  date("DTEXPIRA"),
                  date("DTREVOGA"),
                  text("CDOPERREVOGA", 12),
                  fixed("IDSITUENVIO")};
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

}  // namespace

void registerClientSendingMethods(MethodRegistry& registry) {
    // Checked before the mail and again in the transaction that records the sending.
    registry.add(QStringLiteral("EnviarAoCliente"), 4, AccessRule::proposal(0, 1), enviarAoCliente);
    registry.add(QStringLiteral("GetEnvios"), 2, AccessRule::proposal(0, 1), getEnvios);
    registry.add(QStringLiteral("RevogarEnvio"), 3, AccessRule::proposal(0, 1).writes(), revogarEnvio);
}

}  // namespace cot::server
