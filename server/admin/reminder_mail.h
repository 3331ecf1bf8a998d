#pragma once
// The reminder a salesperson gets of his proposals about to expire: one message listing
// the versions whose validity ends within the branch's days and those that ended yesterday
// (services/mail_kinds.h lays it out).
#include <QDate>
#include <QList>
#include <QString>

#include "server/client_page/branch_mail.h"
#include "services/mail_kinds.h"

namespace cot::server {

using ReminderItem = mail::ReminderItem;

// Subject "Propostas a vencer: N", from the branch's address to `to`, listing `items` in the
// order given (the caller sorts them by validity), with the branch's identity at the foot;
// those whose validity is before `today` are shown as expired.
MailMessage reminderMessage(const client_page::BranchMail& branch, const QString& to, const QString& salespersonName,
                            const QList<ReminderItem>& items, const QDate& today);

}  // namespace cot::server
