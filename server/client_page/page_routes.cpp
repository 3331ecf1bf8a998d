#include "server/client_page/page_routes.h"

#include <QByteArray>
#include <cstdio>
#include <memory>
#include <optional>
#include <variant>

#include "base/clock.h"
#include "data/format_br.h"
#include "server/client_page/decision_notice.h"
#include "server/client_page/decision_page.h"
#include "server/client_page/decision_store.h"
#include "server/client_page/page_form.h"
#include "server/client_page/page_data.h"
#include "server/client_page/page_html.h"
#include "server/client_page/pdf_pieces.h"
#include "server/client_page/pdf_store.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_mail.h"
#include "server/client_page/sending_store.h"
#include "server/methods/deal_acceptance.h"
#include "server/rpc/client_address.h"
#include "server/storage/database.h"

namespace cot::server::client_page {

namespace {

const QString kInvalidLink = QStringLiteral("Link inválido.");
const QString kRevoked = QStringLiteral("Este link foi cancelado pela empresa.");
const QString kStale = QStringLiteral(
    "A proposta foi atualizada depois do envio deste link. Peça ao vendedor o link da versão atual.");
const QString kBadRequest = QStringLiteral("Pedido inválido.");

struct Answer {
    int status = 200;
    QByteArray body;
    const char* type = "text/html; charset=utf-8";
    QString attachmentName;                // a download's file name
    QString pdfHash;                       // a download: the stored PDF, read a piece at a time
    std::optional<DecisionNotice> notice;  // the salesperson's mail, sent after the answer is ready

    static Answer page(int status, const QString& html) {
        return {status, html.toUtf8(), "text/html; charset=utf-8", {}, {}};
    }
    static Answer message(int status, const QString& text) { return page(status, messagePage(text)); }
};

void secureHeaders(HttpReply& reply) {
    reply.set("Content-Security-Policy",
              "default-src 'none'; style-src 'self'; img-src 'self' data:; form-action 'self'; "
              "frame-ancestors 'none'; base-uri 'none'");
    reply.set("X-Content-Type-Options", "nosniff");
    reply.set("Referrer-Policy", "no-referrer");
    reply.set("Cache-Control", "no-store");
    reply.set("X-Frame-Options", "DENY");
}

HttpReply toReply(const Answer& answer) {
    HttpReply reply = HttpReply::text(answer.status, answer.body, answer.type);
    secureHeaders(reply);
    if (!answer.attachmentName.isEmpty())
        reply.set("Content-Disposition",
                  QStringLiteral("attachment; filename=\"%1\"").arg(answer.attachmentName).toStdString());
    return reply;
}

// Where a sending stands before its content is looked at: the link's own state.
struct Standing {
    Sending sending;
    QString content;  // the version's content now
    QString hash;
    std::optional<Decision> decision;
    OfferIdentity who;  // who signs the page
    bool stale() const { return hash != sending.contentHash; }
};

// The sending of a well-formed token with its version, or the answer that refuses it.
std::variant<Standing, Answer> standing(Database& db, const QString& token) {
    std::optional<Sending> sending = findByToken(db, token);
    if (!sending) return Answer::message(404, kInvalidLink);
    Standing s;
    s.content = proposalContentHtml(db, sending->nr, sending->ver);
    if (s.content.isEmpty()) return Answer::message(404, kInvalidLink);
    // Another version of the number accepted: its acceptance revoked this link as well.
    if (const auto accepted = deal::acceptedOther(db, sending->nr, sending->ver))
        return Answer::message(410, deal::supersededSentence(*accepted));
    if (sending->revoked()) return Answer::message(410, kRevoked);
    if (!sending->expires.isValid() || Clock::current().today() > sending->expires)
        return Answer::message(410, QStringLiteral("Este link expirou em %1.").arg(formatDate(sending->expires)));
    s.sending = std::move(*sending);
    s.hash = contentHash(s.content);
    s.decision = decisionOf(db, s.sending.nr, s.sending.ver);
    if (auto who = offerIdentity(db, s.sending.nr, s.sending.ver)) s.who = std::move(*who);
    return s;
}

QString pdfPath(const QString& token) { return token + QStringLiteral("/proposta.pdf"); }

// The client's copy of what he decided on, when the sending stored one.
QString receiptPath(Database& db, const Sending& sending, const QString& token) {
    return !sending.pdfHash.isEmpty() && pdfStored(db, sending.pdfHash) ? pdfPath(token) : QString();
}

Answer showPage(Database& db, const QString& token) {
    auto found = standing(db, token);
    if (auto* refusal = std::get_if<Answer>(&found)) return std::move(*refusal);
    const Standing& s = std::get<Standing>(found);
    if (s.decision)
        return Answer::page(200, decisionTakenPage(s.content, decisionSentence(*s.decision), s.decision->accepted(),
                                                   receiptPath(db, s.sending, token), s.who));
    if (s.stale()) return Answer::message(200, kStale);
    return Answer::page(200, formsPage(s.content, s.hash, pdfPath(token), s.who));
}

// The PDF of what was sent: while the link stands and the version is as it was sent, or
// once the client decided on it (his copy of what he decided on).
Answer downloadPdf(Database& db, const QString& token) {
    auto found = standing(db, token);
    if (auto* refusal = std::get_if<Answer>(&found)) return std::move(*refusal);
    const Standing& s = std::get<Standing>(found);
    if (!s.decision && s.stale()) return Answer::message(200, kStale);
    Answer answer;
    answer.pdfHash = s.sending.pdfHash;
    if (answer.pdfHash.isEmpty() || !pdfStored(db, answer.pdfHash)) return Answer::message(404, kInvalidLink);
    answer.type = "application/pdf";
    answer.attachmentName = pdfFileName(s.sending.nr, s.sending.ver);
    return answer;
}

struct Poster {
    QString address, browser;
};

Answer decide(Database& db, const QString& token, const DecisionForm& form, const Poster& poster) {
    auto found = standing(db, token);
    if (auto* refusal = std::get_if<Answer>(&found)) return std::move(*refusal);
    const Standing& s = std::get<Standing>(found);
    if (form.action == DecisionForm::Action::Invalid) return Answer::message(400, kBadRequest);
    const Answer decided = Answer::message(409, QStringLiteral("A decisão sobre esta proposta já foi registrada."));
    if (s.decision) return decided;
    if (s.stale() || form.shownHash != s.hash) return Answer::message(409, kStale);
    if (!form.missing().isEmpty()) return Answer::page(400, formsPage(s.content, s.hash, pdfPath(token), s.who, &form));

    Decision d;
    d.nr = s.sending.nr;
    d.ver = s.sending.ver;
    d.sending = s.sending.number;
    const bool accept = form.action == DecisionForm::Action::Accept;
    d.kind = accept ? u'A' : u'R';
    d.at = Clock::current().now();
    if (accept) {
        d.name = form.values.name;
        d.role = form.values.role;
        d.comment = form.values.acceptComment;
    } else {
        d.reason = form.reason;
        d.comment = form.values.declineComment;
    }
    d.address = poster.address;
    d.browser = poster.browser.left(kMaxBrowserLength);
    d.contentHash = s.hash;
    switch (recordDecision(db, d)) {
    case Recorded::Yes: break;
    case Recorded::AlreadyDecided: return decided;
    case Recorded::Superseded: {
        // Another version was accepted while the client read this one.
        const auto accepted = deal::acceptedOther(db, d.nr, d.ver);
        return Answer::message(409, accepted ? deal::refusal(deal::Refused::ClientDecision, *accepted, d.ver)
                                             : kRevoked);
    }
    }
    Answer answer = Answer::page(200, thanksPage(accept, receiptPath(db, s.sending, token), s.who));
    answer.notice = prepareDecisionNotice(db, d);
    return answer;
}

bool isFormBody(const std::string& contentType) {
    const QByteArray type = QByteArray::fromStdString(contentType).split(';').front().trimmed().toLower();
    return type == "application/x-www-form-urlencoded";
}

const QString kUnavailable = QStringLiteral("Não foi possível atender o pedido agora. Tente de novo mais tarde.");

// The answer of one request, on a page thread.
Answer answerOn(Database& db, const HttpRequest& req, const QStringList& proxies) {
    if (req.path == "/cliente/estilo.css") {
        Answer css;
        css.body = styleSheet();
        css.type = "text/css; charset=utf-8";
        return css;
    }
    QString path = QString::fromStdString(req.path.substr(sizeof "/cliente/" - 1));
    if (req.method == "GET") {
        const bool pdf = path.endsWith(QLatin1String("/proposta.pdf"));
        if (pdf) path.chop(int(sizeof "/proposta.pdf") - 1);
        if (!wellFormedToken(path)) return Answer::message(404, kInvalidLink);
        return pdf ? downloadPdf(db, path) : showPage(db, path);
    }
    if (!wellFormedToken(path)) return Answer::message(404, kInvalidLink);
    const Poster poster{clientAddress(req, proxies), QString::fromStdString(req.header("User-Agent"))};
    return decide(db, path, parseDecisionForm(req.body), poster);
}

}  // namespace

bool isPagePath(const std::string& path) { return path.rfind("/cliente/", 0) == 0; }

HttpReply pageRefusal(int status, const QString& text) {
    HttpReply reply = toReply(Answer::message(status, text));
    reply.close = true;
    return reply;
}

Admission admitPage(const HttpRequest& head) {
    Admission admission;
    admission.refuse = [](int status) { return pageRefusal(status, kBadRequest); };
    const bool post = head.method == "POST" && head.path != "/cliente/estilo.css";
    if (!post && head.method != "GET") {
        admission.refusal = pageRefusal(405, kBadRequest);
        return admission;
    }
    if (!post) return admission;
    if (!isFormBody(head.header("Content-Type"))) {
        admission.refusal = pageRefusal(400, kBadRequest);
        return admission;
    }
    if (head.has("Content-Length")) {
        bool ok = false;
        const qulonglong length = QByteArray::fromStdString(head.header("Content-Length")).trimmed().toULongLong(&ok);
        if (!ok || length > qulonglong(kMaxFormBody)) {
            admission.refusal = pageRefusal(ok ? 413 : 400, kBadRequest);
            return admission;
        }
    }
    admission.bodyLimit = size_t(kMaxFormBody);
    return admission;
}

void answerPage(const HttpRequest& request, const PageContext& page, std::function<void(HttpReply)> answer) {
    auto req = std::make_shared<HttpRequest>(request);
    auto reply = std::make_shared<std::function<void(HttpReply)>>(std::move(answer));
    const QStringList proxies = page.trustedProxies;
    const auto proceed = page.proceed;
    const bool queued = page.enqueue([req, reply, proxies, proceed](Database& db) {
        Answer a;
        try {
            a = answerOn(db, *req, proxies);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "cot05000-server: página do cliente: %s\n", e.what());
            std::fflush(stderr);
            a = Answer::message(500, kUnavailable);
        }
        // The decision is committed: the mail's failure changes nothing of the answer, and
        // it holds a page thread, never the desktop's database threads.
        if (a.notice) sendDecisionNotice(*a.notice);
        HttpReply out = toReply(a);
        if (!a.pdfHash.isEmpty()) out.pieces = std::make_shared<PdfPieces>(a.pdfHash, proceed);
        (*reply)(std::move(out));
    });
    if (!queued) {
        HttpReply busy = pageRefusal(503, kUnavailable);
        busy.set("Retry-After", "5");
        (*reply)(std::move(busy));
    }
}

}  // namespace cot::server::client_page
