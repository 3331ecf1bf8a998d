#pragma once
// The mail account a branch sends through (its main address record: server, user and
// password), the addresses the server's own messages use and who signs them.
#include <QString>

#include "services/mail_layout.h"
#include "services/mail_sender.h"

namespace cot::server {

class Database;

namespace client_page {

struct BranchMail {
    MailAccount account;
    QString from;    // the branch's address (DSEMAILFILI)
    QString footer;  // the branch's identity line (BranchIdentity::footerLine())
};

// UserError "A filial %1 não tem conta de e-mail cadastrada." when the branch has no main
// address record with a mail server.
BranchMail branchMail(Database& db, const QString& branch);

// The address of an operator (DSEMAILOPER), or the proposals' contracts mailbox when he
// has none; empty when neither is registered.
QString operatorAddress(Database& db, const QString& operatorCode);

// Who signs a version's mails: its branch's identity and its salesperson (registers/
// branch_identity.h); empty for a version that is not stored.
mail::MailSignature versionSignature(Database& db, const QString& nr, const QString& ver);

}  // namespace client_page
}  // namespace cot::server
