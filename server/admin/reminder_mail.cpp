#include "server/admin/reminder_mail.h"

namespace cot::server {

MailMessage reminderMessage(const client_page::BranchMail& branch, const QString& to, const QString& salespersonName,
                            const QList<ReminderItem>& items, const QDate& today) {
    // Written to the salesperson himself: the company signs it, nobody's contact closes it.
    MailMessage m = mail::reminderMessage(salespersonName, items, today, mail::MailSignature{branch.footer, {}, {}, {}});
    m.from = branch.from;
    m.to = QStringList{to};
    return m;
}

}  // namespace cot::server
