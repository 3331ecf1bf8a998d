#pragma once
// The mail that takes a proposal version to its client: the link to the client's page, the
// validity, who sends it (services/mail_kinds.h lays it out), and the PDF the desktop
// rendered as an attachment.
#include <QString>
#include <QStringList>

#include "services/mail_kinds.h"

namespace cot::server {

class Database;

namespace client_page {

struct BranchMail;
using SendingMailContent = mail::SendingContent;

// "Proposta 12-01.pdf": the name the PDF goes by, in the mails and on the page.
QString pdfFileName(const QString& nr, const QString& ver);

// The message (subject, text and HTML parts, the PDF attached) from the branch's address
// to `to`, signed for the version (versionSignature), answers going to its salesperson.
MailMessage sendingMail(Database& db, const SendingMailContent& content, const BranchMail& branch,
                        const QStringList& to);

}  // namespace client_page
}  // namespace cot::server
