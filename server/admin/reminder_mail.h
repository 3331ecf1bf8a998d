#pragma once
// The reminder a salesperson gets of his proposals about to expire: one message listing
// the versions whose validity ends within the branch's days and those that ended yesterday.
#include <QDate>
#include <QList>
#include <QString>

#include "services/mail_sender.h"

namespace cot::server {

struct ReminderItem {
    QString nr, ver;    // the version's key
    QString reference;  // DSREFEPROPOSFAS
    QString client;     // the client's or prospect's trade name
    QDate validUntil;
    long double value = 0;    // charged once (licence and services)
    long double monthly = 0;  // maintenance or rental per month
};

// Subject "Propostas a vencer: N", text and HTML parts listing `items` in the order given
// (the caller sorts them by validity); those whose validity is before `today` are shown as
// expired. Every stored text is escaped in the HTML part.
MailMessage reminderMessage(const QString& from, const QString& to, const QString& salespersonName,
                            const QList<ReminderItem>& items, const QDate& today);

}  // namespace cot::server
