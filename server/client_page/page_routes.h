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

namespace httplib {
class Server;
}  // namespace httplib

namespace cot::server {

class Database;

namespace client_page {

// Runs a job on one of the server's database threads with that thread's connection and
// waits for it; what the job throws is thrown to the caller.
using DatabaseRunner = std::function<void(const std::function<void(Database&)>&)>;

void registerPageRoutes(httplib::Server& http, DatabaseRunner runOnDatabase, QStringList trustedProxies);

}  // namespace client_page
}  // namespace cot::server
