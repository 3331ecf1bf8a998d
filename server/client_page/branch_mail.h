#pragma once
// The mail account a branch sends through (its main address record: server, user and
// password) and the addresses the server's own messages use.
#include <QString>

#include "services/mail_sender.h"

namespace cot::server {

class Database;

namespace client_page {

struct BranchMail {
    MailAccount account;
    QString from;  // the branch's address (DSEMAILFILI)
};

// UserError "A filial %1 não tem conta de e-mail cadastrada." when the branch has no main
// address record with a mail server.
BranchMail branchMail(Database& db, const QString& branch);

// The address of an operator (DSEMAILOPER), or the proposals' contracts mailbox when he
// has none; empty when neither is registered.
QString operatorAddress(Database& db, const QString& operatorCode);

}  // namespace client_page
}  // namespace cot::server
