#include "server/client_page/sending_mail.h"

#include "data/proposal_number.h"
#include "server/client_page/branch_mail.h"

namespace cot::server::client_page {

QString pdfFileName(const QString& nr, const QString& ver) {
    return QStringLiteral("Proposta %1-%2.pdf").arg(shortNumber(nr), ver.trimmed());
}

MailMessage sendingMail(Database& db, const SendingMailContent& c, const BranchMail& branch, const QStringList& to) {
    MailMessage m = mail::sendingMessage(c, versionSignature(db, c.nr, c.ver));
    m.from = branch.from;
    m.to = to;
    m.attachments = {{pdfFileName(c.nr, c.ver), QStringLiteral("application/pdf"), c.pdf}};
    return m;
}

}  // namespace cot::server::client_page
