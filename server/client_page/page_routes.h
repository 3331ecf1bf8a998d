#pragma once
// The routes of the client's page, served next to POST /rpc without a session:
//   GET  /cliente/estilo.css             the stylesheet
//   GET  /cliente/TOKEN                  the proposal with the forms to accept or decline it
//   GET  /cliente/TOKEN/proposta.pdf     the PDF that went with the sending
//   POST /cliente/TOKEN                  the decision (a form, at most kMaxFormBody bytes)
// Every answer carries a policy that lets the page load nothing but its own stylesheet and
// run no script, and is never cached or framed. A token of any other shape than the ones
// the server gives is refused before the database is asked.
#include <QStringList>
#include <functional>
#include <string>

#include "server/rpc/http_engine.h"

namespace cot::server {

class Database;

namespace client_page {

// What the page's routes need of the server: a page thread with its own connection (the
// desktop's database threads are never taken by the page), and whom to believe about the
// client's address.
struct PageContext {
    // Queues a job for a page thread; false when too many already wait (the page answers 503).
    std::function<bool(std::function<void(Database&)>)> enqueue;
    // Queues the next step of an answer already under way (a download's next piece): never refused.
    std::function<void(std::function<void(Database&)>)> proceed;
    QStringList trustedProxies;
};

// Whether the path is one of the page's: "/cliente/" and anything under it.
bool isPagePath(const std::string& path);

// Before the body: a decision must be a form of at most kMaxFormBody bytes; the other
// routes take no body.
Admission admitPage(const HttpRequest& head);

// Answers a whole request on a page thread; `answer` is called once. A decision's mail to
// the salesperson goes after the answer, so the client never waits for it.
void answerPage(const HttpRequest& request, const PageContext& page, std::function<void(HttpReply)> answer);

// The page's own refusal: a short page with the headers of every answer.
HttpReply pageRefusal(int status, const QString& text);

}  // namespace client_page
}  // namespace cot::server
