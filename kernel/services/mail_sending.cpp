#include "data/format_br.h"
#include "data/proposal_number.h"
#include "services/mail_kinds.h"

namespace cot::mail {

MailMessage sendingMessage(const SendingContent& c, const MailSignature& signature) {
    const QString number = shortProposalNumber(c.nr, c.ver);
    const QString reference = c.reference.simplified();
    const QString addressee = c.addressee.trimmed().isEmpty() ? QStringLiteral("cliente") : c.addressee.trimmed();

    MailBody body;
    body.paragraph(QStringLiteral("Prezado(a) %1,").arg(addressee))
        .paragraph(QStringLiteral("Enviamos a proposta %1%2, válida até %3.")
                       .arg(number, reference.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reference),
                            formatDate(c.validUntil)))
        .link(QStringLiteral("Para ver a proposta e registrar a sua aceitação ou recusa, acesse:"), c.link)
        .paragraph(QStringLiteral("A proposta também segue em PDF, anexa a este e-mail. Dúvidas? Responda a esta "
                                  "mensagem."));
    MailSignature s = signature;
    if (s.sellerName.trimmed().isEmpty()) s.sellerName = c.salesperson;
    const QString title = QStringLiteral("Proposta %1").arg(number);
    return composeMail(reference.isEmpty() ? title : QStringLiteral("%1 - %2").arg(title, reference), body, s,
                       Audience::Client);
}

}  // namespace cot::mail
