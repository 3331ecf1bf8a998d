#pragma once
// The salesperson's mail about the client's decision: the proposal's responsible operator
// (else who created it), through the branch's mail account. It is prepared on the database
// thread, right after the decision is committed, and sent from the connection's thread, so
// a slow mail server holds no database connection. A mail that cannot go is written to the
// server's standard error: the decision stands all the same.
#include <optional>

#include "server/client_page/decision_store.h"
#include "services/mail_sender.h"

namespace cot::server {

class Database;

namespace client_page {

struct DecisionNotice {
    MailAccount account;
    MailMessage message;
};

// Nothing when there is nobody to tell (no salesperson address, no branch account): said on
// standard error.
std::optional<DecisionNotice> prepareDecisionNotice(Database& db, const Decision& decision);
// Through defaultMailSender(); a failure goes to standard error.
void sendDecisionNotice(const DecisionNotice& notice);

// "P" → "Preço" and so on; empty for none.
QString reasonName(QChar reason);

}  // namespace client_page
}  // namespace cot::server
