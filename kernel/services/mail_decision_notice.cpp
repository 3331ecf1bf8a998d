#include "data/proposal_number.h"
#include "services/mail_kinds.h"

namespace cot::mail {

MailMessage decisionNoticeMessage(const DecisionFacts& d, long double oneOff, long double monthly,
                                  const MailSignature& signature) {
    const QString number = shortProposalNumber(d.nr, d.ver);
    const QString verdict = d.accepted ? QStringLiteral("aceita") : QStringLiteral("recusada");
    const QString client = d.client.simplified().isEmpty() ? QStringLiteral("o cliente") : d.client.simplified();
    MailBody body;
    body.paragraph(QStringLiteral("A proposta %1 foi %2 por %3.").arg(number, verdict, client))
        .facts({{QStringLiteral("Cliente"), d.client},
                {QStringLiteral("Proposta"), number},
                {QStringLiteral("Versão"), d.ver.trimmed()},
                {QStringLiteral("Referência"), d.reference},
                {QStringLiteral("Valor único"), money(oneOff)},
                {QStringLiteral("Mensal"), monthly != 0 ? money(monthly) : QString()},
                {QStringLiteral("Data"), d.at.toString(QStringLiteral("dd/MM/yyyy HH:mm"))},
                {QStringLiteral("Responsável"), d.accepted ? d.name : QString()},
                {QStringLiteral("Cargo"), d.accepted ? d.role : QString()},
                {QStringLiteral("Motivo"), d.accepted ? QString() : d.reason},
                {QStringLiteral("Endereço de origem"), d.address}})
        .quote(QStringLiteral("Comentário do cliente"), d.comment)
        .paragraph(QStringLiteral("Abra a proposta %1 no módulo de Propostas para %2.")
                       .arg(number, d.accepted ? QStringLiteral("aprová-la") : QStringLiteral("ver os detalhes")));
    return composeMail(QStringLiteral("Proposta %1 %2 por %3").arg(number, verdict, client), body, signature,
                       Audience::Staff);
}

}  // namespace cot::mail
