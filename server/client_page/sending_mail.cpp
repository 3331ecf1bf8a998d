#include "server/client_page/sending_mail.h"

#include "data/proposal_number.h"

namespace cot::server::client_page {

namespace {

QString html(const QString& s) { return s.toHtmlEscaped(); }

}  // namespace

QString pdfFileName(const QString& nr, const QString& ver) {
    return QStringLiteral("Proposta %1-%2.pdf").arg(shortNumber(nr), ver.trimmed());
}

MailMessage sendingMail(const SendingMailContent& c, const QString& from, const QStringList& to) {
    const QString title = QStringLiteral("Proposta %1/%2").arg(shortNumber(c.nr), c.ver.trimmed());
    const QString reference = c.reference.simplified();  // a subject is one line
    const QString addressee = c.addressee.trimmed().isEmpty() ? QStringLiteral("cliente") : c.addressee.trimmed();
    const QString valid = c.validUntil.toString(QStringLiteral("dd/MM/yyyy"));
    const QString salesperson = c.salesperson.trimmed();

    MailMessage m;
    m.from = from;
    m.to = to;
    m.subject = reference.isEmpty() ? title : QStringLiteral("%1 - %2").arg(title, reference);

    QStringList text;
    text << QStringLiteral("Prezado(a) %1,").arg(addressee) << QString()
         << QStringLiteral("Enviamos a proposta %1/%2%3, válida até %4.")
                .arg(shortNumber(c.nr), c.ver.trimmed(),
                     reference.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reference), valid)
         << QString() << QStringLiteral("Para ver a proposta e registrar a sua aceitação ou recusa, acesse:") << c.link
         << QString() << QStringLiteral("A proposta também segue em PDF, anexa a este e-mail.") << QString()
         << QStringLiteral("Atenciosamente,");
    if (!salesperson.isEmpty()) text << salesperson;
    m.textPart = text.join(u'\n') + u'\n';

    QString body;
    body += QStringLiteral("<p>Prezado(a) %1,</p>\n").arg(html(addressee));
    body += QStringLiteral("<p>Enviamos a proposta <b>%1/%2</b>%3, válida até <b>%4</b>.</p>\n")
                .arg(html(shortNumber(c.nr)), html(c.ver.trimmed()),
                     reference.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(html(reference)), valid);
    body += QStringLiteral("<p>Para ver a proposta e registrar a sua aceitação ou recusa, acesse:<br>\n"
                           "<a href=\"%1\">%1</a></p>\n")
                .arg(html(c.link));
    body += QStringLiteral("<p>A proposta também segue em PDF, anexa a este e-mail.</p>\n");
    body += QStringLiteral("<p>Atenciosamente,%1</p>\n")
                .arg(salesperson.isEmpty() ? QString() : QStringLiteral("<br>\n") + html(salesperson));
    m.htmlPart = QStringLiteral("<!DOCTYPE html>\n<html lang=\"pt-BR\"><head><meta charset=\"utf-8\"></head><body>\n") +
                 body + QStringLiteral("</body></html>\n");

    m.attachments = {{pdfFileName(c.nr, c.ver), QStringLiteral("application/pdf"), c.pdf}};
    return m;
}

}  // namespace cot::server::client_page
