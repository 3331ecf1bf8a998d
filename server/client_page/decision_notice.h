#pragma once
// The mails about the client's decision, through the branch's mail account:
//   the notice to the salesperson (the version's responsible operator, else who created
//     it): the client, the figures, the reason or comment, where to open it;
//   the receipt to the client, at the addresses the sending he decided through went to:
//     what he decided, when, from where, the content's hash and, for an acceptance, the
//     PDF that sending carried.
// They are prepared on the database thread, right after the decision is committed, and
// sent from the connection's thread, so a slow mail server holds no database connection.
// A mail that cannot be prepared or sent is written to the server's standard error: the
// decision stands all the same, and one mail failing does not stop the other.
#include <QList>
#include <optional>

#include "server/client_page/decision_store.h"
#include "services/mail_sender.h"

namespace cot::server {

class Database;

namespace client_page {

struct DecisionNotice {
    MailAccount account;
    QList<MailMessage> messages;  // the salesperson's notice, then the client's receipt
};

// Nothing when there is nobody to tell (no branch account, neither address): said on
// standard error.
std::optional<DecisionNotice> prepareDecisionNotice(Database& db, const Decision& decision);
// Through defaultMailSender(), each on its own; a failure goes to standard error.
void sendDecisionNotice(const DecisionNotice& notice);

// "P" → "Preço" and so on; empty for none.
QString reasonName(QChar reason);

}  // namespace client_page
}  // namespace cot::server
