#pragma once
// How every mail of the proposals is laid out: the same pieces written as plain text and as
// HTML side by side, so the two parts of a message never say different things. Every value
// is escaped here for the HTML part; a kind of mail (mail_kinds.h) only says what to write.
// A message closes with the salesperson's contact and ends with the company's identity,
// and answers go to the salesperson (Reply-To).
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

#include "services/mail_sender.h"

namespace cot::mail {

// Who speaks in a mail: the company (BranchIdentity::footerLine() on the server) and the
// salesperson of the proposal. Any of them may be empty; what is empty is left out.
struct MailSignature {
    QString footer;
    QString sellerName, sellerEmail, sellerPhone;
};

struct MailTable {
    QStringList header;
    QList<QStringList> rows;
    QList<int> rightAligned;  // columns of figures
};

class MailBody {
public:
    // A paragraph; line breaks inside it are kept.
    MailBody& paragraph(const QString& text);
    // "Label: value" lines; in HTML a two-column table. Pairs with an empty value are skipped.
    MailBody& facts(const QList<std::pair<QString, QString>>& pairs);
    MailBody& table(const MailTable& table);
    // A paragraph that ends in an address to open (a link in HTML).
    MailBody& link(const QString& text, const QString& url);
    // What someone typed (a comment, a reason), under its label, set apart from our words.
    MailBody& quote(const QString& label, const QString& typed);

    QString text() const { return text_; }
    QString html() const { return html_; }

private:
    QString text_, html_;
};

// Whom the closing speaks to: the client gets the salesperson's regards; the company's own
// people get who the salesperson is.
enum class Audience { Client, Staff };

// The whole message: subject (made one line), the body, the closing and the footer, the
// salesperson's address as Reply-To. From and To are the caller's.
MailMessage composeMail(const QString& subject, const MailBody& body, const MailSignature& signature,
                        Audience audience);

// "R$ 1.500,00".
QString money(long double value);

}  // namespace cot::mail
