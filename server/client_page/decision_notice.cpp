#include "server/client_page/decision_notice.h"

#include <cstdio>

#include "base/errors.h"
#include "data/proposal_number.h"
#include "server/client_page/branch_mail.h"
#include "server/client_page/sending_mail.h"
#include "server/client_page/sending_store.h"
#include "server/methods/proposal_totals.h"
#include "server/methods/read_support.h"
#include "server/storage/database.h"
#include "services/mail_kinds.h"

namespace cot::server::client_page {

namespace {

void complain(const Decision& d, const QString& what, const QString& why) {
    std::fprintf(stderr, "cot05000-server: %s da proposta %s não enviado: %s\n", qPrintable(what),
                 qPrintable(shortProposalNumber(d.nr, d.ver)), qPrintable(why));
    std::fflush(stderr);
}

struct VersionFacts {
    QString branch, salesperson;
    mail::DecisionFacts facts;
};

std::optional<VersionFacts> versionFacts(Database& db, const Decision& d) {
    const Packet p = db.query(QStringLiteral(R"SQL(
SELECT P.CDFILIAL, COALESCE(NULLIF(P.CDOPERRESP, ''), P.CDOPERINCL) AS CDVENDEDOR, P.DSREFEPROPOSFAS,
       P.IDCLIENPROSP, C.NMFANTCLIE, PR.NMFANTPROS
FROM PROPOSTAFAS P
LEFT JOIN CLIENTE C ON C.CDCLIENTE = P.CDCLIENTE
LEFT JOIN PROSPECT PR ON PR.CDPROSPECT = P.CDPROSPECT
WHERE %1)SQL")
                                  .arg(read::ProposalKey::condition(QStringLiteral("P"))),
                              {{"NR", d.nr}, {"VER", d.ver}});
    if (p.isEmpty()) return std::nullopt;
    const auto field = [&](const char* name) { return p.value(0, QString::fromLatin1(name)).toString().trimmed(); };
    VersionFacts v;
    v.branch = field("CDFILIAL");
    v.salesperson = field("CDVENDEDOR");
    mail::DecisionFacts& f = v.facts;
    f.nr = d.nr;
    f.ver = d.ver;
    f.reference = field("DSREFEPROPOSFAS");
    const bool prospect = field("IDCLIENPROSP") == QLatin1String("P") || field("NMFANTCLIE").isEmpty();
    f.client = prospect && !field("NMFANTPROS").isEmpty() ? field("NMFANTPROS") : field("NMFANTCLIE");
    f.accepted = d.accepted();
    f.at = d.at;
    f.name = d.name;
    f.role = d.role;
    f.reason = reasonName(d.reason);
    f.comment = d.comment;
    f.address = d.address;
    f.contentHash = d.contentHash;
    return v;
}

std::optional<Sending> sendingOf(Database& db, const Decision& d) {
    for (const Sending& s : sendingsOf(db, d.nr, d.ver))
        if (s.number == d.sending) return s;
    return std::nullopt;
}

}  // namespace

QString reasonName(QChar reason) {
    switch (reason.unicode()) {
        case u'P': return QStringLiteral("Preço");
        case u'Z': return QStringLiteral("Prazo");
        case u'C': return QStringLiteral("Concorrente");
        case u'E': return QStringLiteral("Escopo");
        case u'O': return QStringLiteral("Outro");
        default: return {};
    }
}

std::optional<DecisionNotice> prepareDecisionNotice(Database& db, const Decision& d) {
    const QString notice = QStringLiteral("aviso da decisão");
    const QString receipt = QStringLiteral("comprovante da decisão");
    try {
        const std::optional<VersionFacts> v = versionFacts(db, d);
        if (!v) return std::nullopt;
        const BranchMail branch = branchMail(db, v->branch);
        const mail::MailSignature signature = versionSignature(db, d.nr, d.ver);
        DecisionNotice out;
        out.account = branch.account;

        // Each mail is prepared on its own: one that cannot be made leaves the other.
        try {
            const QString to = operatorAddress(db, v->salesperson);
            if (to.isEmpty())
                throw UserError(QStringLiteral("o vendedor %1 não tem e-mail cadastrado").arg(v->salesperson));
            const ProposalTotals totals = proposalTotals(db, d.nr, d.ver).value_or(ProposalTotals{});
            MailMessage m = mail::decisionNoticeMessage(v->facts, totals.grand(), totals.monthly, signature);
            m.from = branch.from;
            m.to = QStringList{to};
            out.messages << m;
        } catch (const std::exception& e) {
            complain(d, notice, QString::fromUtf8(e.what()));
        }
        try {
            const std::optional<Sending> sending = sendingOf(db, d);
            const QStringList to = sending ? splitAddressList(sending->to) : QStringList{};
            if (to.isEmpty()) throw UserError(QStringLiteral("o envio da decisão não tem endereços"));
            MailMessage m = mail::receiptMessage(v->facts, signature);
            m.from = branch.from;
            m.to = to;
            // What he accepted: the PDF that went with the link he accepted through.
            if (d.accepted()) {
                const QByteArray pdf = sendingPdf(db, *sending);
                if (!pdf.isEmpty())
                    m.attachments = {{pdfFileName(d.nr, d.ver), QStringLiteral("application/pdf"), pdf}};
            }
            out.messages << m;
        } catch (const std::exception& e) {
            complain(d, receipt, QString::fromUtf8(e.what()));
        }
        if (out.messages.isEmpty()) return std::nullopt;
        return out;
    } catch (const std::exception& e) {
        complain(d, notice + QStringLiteral(" e ") + receipt, QString::fromUtf8(e.what()));
        return std::nullopt;
    }
}

void sendDecisionNotice(const DecisionNotice& notice) {
    for (const MailMessage& message : notice.messages) {
        try {
            defaultMailSender().send(notice.account, message);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cot05000-server: e-mail \"%s\" não enviado: %s\n", qPrintable(message.subject),
                         e.what());
            std::fflush(stderr);
        }
    }
}

}  // namespace cot::server::client_page
