#include "server/client_page/page_routes.h"

#include <httplib.h>

#include <QByteArray>
#include <cstdio>
#include <memory>
#include <optional>
#include <variant>

#include "base/clock.h"
#include "data/format_br.h"
#include "server/client_page/decision_notice.h"
#include "server/client_page/decision_store.h"
#include "server/client_page/page_form.h"
#include "server/client_page/page_data.h"
#include "server/client_page/page_html.h"
#include "server/client_page/proposal_page.h"
#include "server/client_page/sending_store.h"
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
    std::optional<DecisionNotice> notice;  // the salesperson's mail, sent after the answer is ready

    static Answer page(int status, const QString& html) {
        return {status, html.toUtf8(), "text/html; charset=utf-8", {}, {}};
    }
    static Answer message(int status, const QString& text) { return page(status, messagePage(text)); }
};

void secureHeaders(httplib::Response& res) {
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; style-src 'self'; img-src 'self' data:; form-action 'self'; "
                   "frame-ancestors 'none'; base-uri 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Options", "DENY");
}

void send(httplib::Response& res, const Answer& answer) {
    secureHeaders(res);
    res.status = answer.status;
    if (!answer.attachmentName.isEmpty())
        res.set_header("Content-Disposition",
                       QStringLiteral("attachment; filename=\"%1\"").arg(answer.attachmentName).toStdString());
    res.set_content(answer.body.constData(), size_t(answer.body.size()), answer.type);
}

// A refusal of a body left unread: written whole, then the connection is dropped (the
// provider's false), so what is left of the body is never taken for the next request.
void sendAndClose(httplib::Response& res, const Answer& answer) {
    secureHeaders(res);
    res.status = answer.status;
    res.set_header("Connection", "close");
    auto body = std::make_shared<QByteArray>(answer.body);
    res.set_content_provider(size_t(body->size()), answer.type,
                             [body](size_t offset, size_t, httplib::DataSink& sink) {
                                 sink.write(body->constData() + offset, size_t(body->size()) - offset);
                                 return false;
                             });
}

// Where a sending stands before its content is looked at: the link's own state.
struct Standing {
    Sending sending;
    QString content;  // the version's content now
    QString hash;
    std::optional<Decision> decision;
    bool stale() const { return hash != sending.contentHash; }
};

// The sending of a well-formed token with its version, or the answer that refuses it.
std::variant<Standing, Answer> standing(Database& db, const QString& token) {
    std::optional<Sending> sending = findByToken(db, token);
    if (!sending) return Answer::message(404, kInvalidLink);
    Standing s;
    s.content = proposalContentHtml(db, sending->nr, sending->ver);
    if (s.content.isEmpty()) return Answer::message(404, kInvalidLink);
    if (sending->revoked()) return Answer::message(410, kRevoked);
    if (!sending->expires.isValid() || Clock::current().today() > sending->expires)
        return Answer::message(410, QStringLiteral("Este link expirou em %1.").arg(formatDate(sending->expires)));
    s.sending = std::move(*sending);
    s.hash = contentHash(s.content);
    s.decision = decisionOf(db, s.sending.nr, s.sending.ver);
    return s;
}

QString pdfPath(const QString& token) { return token + QStringLiteral("/proposta.pdf"); }

Answer showPage(Database& db, const QString& token) {
    auto found = standing(db, token);
    if (auto* refusal = std::get_if<Answer>(&found)) return std::move(*refusal);
    const Standing& s = std::get<Standing>(found);
    if (s.decision) return Answer::page(200, decidedPage(s.content, decisionSentence(*s.decision)));
    if (s.stale()) return Answer::message(200, kStale);
    return Answer::page(200, decisionPage(s.content, s.hash, pdfPath(token)));
}

// The PDF of what was sent: while the link stands and the version is as it was sent, or
// once the client decided on it (his copy of what he decided on).
Answer downloadPdf(Database& db, const QString& token) {
    auto found = standing(db, token);
    if (auto* refusal = std::get_if<Answer>(&found)) return std::move(*refusal);
    const Standing& s = std::get<Standing>(found);
    if (!s.decision && s.stale()) return Answer::message(200, kStale);
    Answer answer;
    answer.body = sendingPdf(db, s.sending);
    if (answer.body.isEmpty()) return Answer::message(404, kInvalidLink);
    answer.type = "application/pdf";
    answer.attachmentName = QStringLiteral("Proposta %1-%2.pdf").arg(shownNumber(s.sending.nr), s.sending.ver);
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
    if (const QString missing = form.missing(); !missing.isEmpty())
        return Answer::page(400, decisionPage(s.content, s.hash, pdfPath(token), missing, form.values));

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
    if (!recordDecision(db, d)) return decided;
    Answer answer = Answer::message(200, accept ? QStringLiteral("Obrigado! A aceitação da proposta foi registrada.")
                                                : QStringLiteral("Obrigado! A recusa da proposta foi registrada."));
    answer.notice = prepareDecisionNotice(db, d);
    return answer;
}

// Runs `job` on a database thread; a failure there is logged and answered with a page.
Answer onDatabase(const DatabaseRunner& run, const std::function<Answer(Database&)>& job) {
    Answer answer;
    try {
        run([&](Database& db) { answer = job(db); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cot05000-server: página do cliente: %s\n", e.what());
        std::fflush(stderr);
        answer = Answer::message(
            500, QStringLiteral("Não foi possível atender o pedido agora. Tente de novo mais tarde."));
    }
    return answer;
}

bool isFormBody(const std::string& contentType) {
    const QByteArray type = QByteArray::fromStdString(contentType).split(';').front().trimmed().toLower();
    return type == "application/x-www-form-urlencoded";
}

// Reads the form, refusing a body beyond kMaxFormBody before or while it arrives.
std::optional<Answer> readForm(const httplib::Request& req, const httplib::ContentReader& reader, QByteArray& body) {
    if (!isFormBody(req.get_header_value("Content-Type"))) return Answer::message(400, kBadRequest);
    if (req.has_header("Content-Length")) {
        bool ok = false;
        const qulonglong length =
            QByteArray::fromStdString(req.get_header_value("Content-Length")).trimmed().toULongLong(&ok);
        if (!ok) return Answer::message(400, kBadRequest);
        if (length > qulonglong(kMaxFormBody)) return Answer::message(413, kBadRequest);
    }
    bool large = false;
    const bool whole = reader([&](const char* data, size_t size) {
        large = size_t(body.size()) + size > size_t(kMaxFormBody);
        if (large) return false;
        body.append(data, qsizetype(size));
        return true;
    });
    if (large) return Answer::message(413, kBadRequest);
    if (!whole) return Answer::message(400, kBadRequest);
    return std::nullopt;
}

}  // namespace

void registerPageRoutes(httplib::Server& http, DatabaseRunner runOnDatabase, QStringList trustedProxies) {
    http.Get("/cliente/estilo.css", [](const httplib::Request&, httplib::Response& res) {
        Answer css;
        css.body = styleSheet();
        css.type = "text/css; charset=utf-8";
        send(res, css);
    });
    // Any path under /cliente/ is answered here, so that every refusal carries the headers.
    http.Get(R"(/cliente/(.*))", [run = runOnDatabase](const httplib::Request& req, httplib::Response& res) {
        QString path = QString::fromStdString(req.matches[1].str());
        const bool pdf = path.endsWith(QLatin1String("/proposta.pdf"));
        if (pdf) path.chop(int(sizeof "/proposta.pdf") - 1);
        if (!wellFormedToken(path)) return send(res, Answer::message(404, kInvalidLink));
        send(res, onDatabase(run, [&](Database& db) { return pdf ? downloadPdf(db, path) : showPage(db, path); }));
    });
    http.Post(R"(/cliente/(.*))", [run = runOnDatabase, proxies = std::move(trustedProxies)](
                                      const httplib::Request& req, httplib::Response& res,
                                      const httplib::ContentReader& reader) {
        const QString token = QString::fromStdString(req.matches[1].str());
        QByteArray body;
        if (std::optional<Answer> refusal = readForm(req, reader, body)) return sendAndClose(res, *refusal);
        if (!wellFormedToken(token)) return send(res, Answer::message(404, kInvalidLink));
        const DecisionForm form = parseDecisionForm(body);
        const Poster poster{clientAddress(req, proxies), QString::fromStdString(req.get_header_value("User-Agent"))};
        Answer answer = onDatabase(run, [&](Database& db) { return decide(db, token, form, poster); });
        // The decision is committed: the mail waits for no database thread, and its failure
        // changes nothing of the answer.
        if (answer.notice) sendDecisionNotice(*answer.notice);
        send(res, answer);
    });
}

}  // namespace cot::server::client_page
