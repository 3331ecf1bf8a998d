#include "data/proposal_number.h"
#include "services/mail_kinds.h"

namespace cot::mail {

MailMessage receiptMessage(const DecisionFacts& d, const MailSignature& signature) {
    const QString number = shortProposalNumber(d.nr, d.ver);
    const QString what = d.accepted ? QStringLiteral("aceitação") : QStringLiteral("recusa");
    MailBody body;
    body.paragraph(QStringLiteral("Prezado(a) %1,").arg(d.name.trimmed().isEmpty() ? QStringLiteral("cliente")
                                                                                   : d.name.simplified()))
        .paragraph(QStringLiteral("Registramos a sua %1 da proposta %2. Guarde este e-mail como comprovante.")
                       .arg(what, number))
        .facts({{QStringLiteral("Proposta"), number},
                {QStringLiteral("Referência"), d.reference},
                {QStringLiteral("Cliente"), d.client},
                {QStringLiteral("Decisão"), d.accepted ? QStringLiteral("Aceita") : QStringLiteral("Recusada")},
                {QStringLiteral("Data"), d.at.toString(QStringLiteral("dd/MM/yyyy HH:mm"))},
                {QStringLiteral("Responsável"), d.accepted ? d.name : QString()},
                {QStringLiteral("Cargo"), d.accepted ? d.role : QString()},
                {QStringLiteral("Motivo"), d.accepted ? QString() : d.reason},
                {QStringLiteral("Endereço de origem"), d.address},
                {QStringLiteral("Código do conteúdo (SHA-256)"), d.contentHash}})
        .quote(QStringLiteral("Comentário"), d.comment);
    if (d.accepted)
        body.paragraph(QStringLiteral("Segue anexo o PDF da proposta que foi aceita. O código acima identifica o "
                                      "conteúdo que estava na página no momento da aceitação."));
    else
        body.paragraph(QStringLiteral("Agradecemos a atenção. Se quiser rever as condições, responda a esta "
                                      "mensagem."));
    return composeMail(QStringLiteral("Comprovante: %1 da proposta %2").arg(what, number), body, signature,
                       Audience::Client);
}

}  // namespace cot::mail
