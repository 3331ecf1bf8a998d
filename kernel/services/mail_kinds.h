#pragma once
// Every mail the proposals send, one function per kind (each in its own mail_*.cpp), all
// laid out by mail_layout.h: plain text and HTML, the proposal as people read its number
// ("15/02"), the salesperson's contact closing it and the company's identity at the foot.
// They return subject, parts and Reply-To; sender, recipients and attachments are the
// caller's, who knows the accounts and the stored files.
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include "services/mail_layout.h"

namespace cot::mail {

// ----- the sending: the link to the client's page (the PDF goes attached)

struct SendingContent {
    QString nr, ver;       // as stored: "00000000000000000012", "01"
    QString reference;     // DSREFEPROPOSFAS; may be empty
    QString addressee;     // the contact, else the client's or prospect's name; may be empty
    QString salesperson;   // the name the mail is signed with when the signature has none
    QDate validUntil;
    QString link;          // the page's address
    QByteArray pdf;        // attached by the caller
};
MailMessage sendingMessage(const SendingContent& content, const MailSignature& signature);

// ----- the client's decision on his page, as DECISAOPROP keeps it

struct DecisionFacts {
    QString nr, ver, reference;
    QString client;        // the client's or prospect's name
    bool accepted = false;
    QDateTime at;
    QString name, role;    // who accepted
    QString reason;        // why he declined, in words ("Preço")
    QString comment;       // as typed
    QString address;       // where the decision came from
    QString contentHash;   // SHA-256 of the content he saw
};

// To the addresses the proposal was sent to: what was decided, when, from where, and the
// content's hash; for an acceptance the caller attaches the PDF of what was accepted.
MailMessage receiptMessage(const DecisionFacts& decision, const MailSignature& signature);
// To the salesperson: the client, the version, its figures, the reason or comment, and
// where in the desktop to open it.
MailMessage decisionNoticeMessage(const DecisionFacts& decision, long double oneOff, long double monthly,
                                  const MailSignature& signature);

// ----- the approval of an accepted proposal on the desktop

struct Installment {
    QDate due;
    long double value = 0;
};
struct ApprovedItem {
    QString name;                // a product line, or the service package
    long double value = 0;       // charged once (licence as scheduled, package)
    long double monthly = 0;
    QList<Installment> schedule;
};
struct ApprovalContent {
    QString nr, ver, reference;
    QString client, corporateName, cnpj;
    QDate approvedOn;
    QList<ApprovedItem> items;
    long double oneOff = 0, monthly = 0;
};

// To those in charge of charging it: every item with its value and due dates, the totals.
MailMessage approvalStaffMessage(const ApprovalContent& content, const MailSignature& signature);
// To the client: his proposal is approved, with what will be charged and when.
MailMessage approvalClientMessage(const ApprovalContent& content, const MailSignature& signature);
// To the salesperson: the deal is closed.
MailMessage approvalSellerMessage(const ApprovalContent& content, const MailSignature& signature);

// The lines of the approval mails: item, value, monthly, due dates.
MailTable approvedItemsTable(const QList<ApprovedItem>& items);

// ----- the reminder of versions about to expire

struct ReminderItem {
    QString nr, ver;          // the version's key
    QString reference;        // DSREFEPROPOSFAS
    QString client;           // the client's or prospect's trade name
    QDate validUntil;
    long double value = 0;    // charged once (licence and services)
    long double monthly = 0;  // maintenance or rental per month
};

// Subject "Propostas a vencer: N"; `items` listed in the order given, those whose validity
// is before `today` shown as expired.
MailMessage reminderMessage(const QString& salespersonName, const QList<ReminderItem>& items, const QDate& today,
                            const MailSignature& signature);

}  // namespace cot::mail
