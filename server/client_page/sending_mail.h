#pragma once
// The mail that takes a proposal version to its client: the link to the client's page, the
// validity, who sends it, and the PDF the desktop rendered as an attachment.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include "services/mail_sender.h"

namespace cot::server::client_page {

struct SendingMailContent {
    QString nr, ver;       // as stored: "00000000000000000012", "01"
    QString reference;     // DSREFEPROPOSFAS; may be empty
    QString addressee;     // the contact, else the client's or prospect's name; may be empty
    QString salesperson;   // the name the mail is signed with; may be empty
    QDate validUntil;
    QString link;          // pageLink(token)
    QByteArray pdf;
};

// "Proposta 12-01.pdf": the name the PDF goes by, in the mail and on the page.
QString pdfFileName(const QString& nr, const QString& ver);

// The message (subject, text and HTML parts, the PDF attached) from `from` to `to`.
MailMessage sendingMail(const SendingMailContent& content, const QString& from, const QStringList& to);

}  // namespace cot::server::client_page
