#include <QStringList>

#include "data/format_br.h"
#include "data/proposal_number.h"
#include "services/mail_kinds.h"

namespace cot::mail {

namespace {

QString schedule(const QList<Installment>& installments) {
    QStringList parts;
    for (const Installment& i : installments)
        parts << QStringLiteral("%1 %2").arg(formatDate(i.due), money(i.value));
    return parts.join(QStringLiteral("; "));
}

QList<std::pair<QString, QString>> header(const ApprovalContent& c) {
    QString client = c.client.simplified();
    if (!c.corporateName.trimmed().isEmpty() && c.corporateName.simplified() != client)
        client += QStringLiteral(" (%1)").arg(c.corporateName.simplified());
    return {{QStringLiteral("Proposta"), shortProposalNumber(c.nr, c.ver)},
            {QStringLiteral("Referência"), c.reference},
            {QStringLiteral("Cliente"), client},
            {QStringLiteral("CNPJ/CPF"), c.cnpj},
            {QStringLiteral("Aprovada em"), formatDate(c.approvedOn)}};
}

void details(MailBody& body, const ApprovalContent& c) {
    body.facts(header(c)).table(approvedItemsTable(c.items));
    body.facts({{QStringLiteral("Valor único"), money(c.oneOff)},
                {QStringLiteral("Mensal"), c.monthly != 0 ? money(c.monthly) : QString()}});
}

}  // namespace

MailTable approvedItemsTable(const QList<ApprovedItem>& items) {
    MailTable t;
    t.header = {QStringLiteral("Item"), QStringLiteral("Valor"), QStringLiteral("Mensal"),
                QStringLiteral("Vencimentos")};
    t.rightAligned = {1, 2};
    for (const ApprovedItem& item : items)
        t.rows << QStringList{item.name, money(item.value), item.monthly != 0 ? money(item.monthly) : QString(),
                              schedule(item.schedule)};
    return t;
}

MailMessage approvalStaffMessage(const ApprovalContent& c, const MailSignature& signature) {
    const QString number = shortProposalNumber(c.nr, c.ver);
    MailBody body;
    body.paragraph(QStringLiteral("A proposta %1 de %2 foi aprovada e será faturada como segue.")
                       .arg(number, c.client.simplified()));
    details(body, c);
    return composeMail(QStringLiteral("Proposta %1 aprovada - %2").arg(number, c.client), body, signature,
                       Audience::Staff);
}

MailMessage approvalClientMessage(const ApprovalContent& c, const MailSignature& signature) {
    const QString number = shortProposalNumber(c.nr, c.ver);
    MailBody body;
    body.paragraph(QStringLiteral("Prezado(a) cliente,"))
        .paragraph(QStringLiteral("A proposta %1 foi aprovada. Obrigado pela confiança! Seguem os valores e os "
                                  "vencimentos que serão cobrados.")
                       .arg(number));
    details(body, c);
    body.paragraph(QStringLiteral("Dúvidas? Responda a esta mensagem."));
    return composeMail(QStringLiteral("Proposta %1 aprovada").arg(number), body, signature, Audience::Client);
}

MailMessage approvalSellerMessage(const ApprovalContent& c, const MailSignature& signature) {
    const QString number = shortProposalNumber(c.nr, c.ver);
    MailBody body;
    body.paragraph(QStringLiteral("A proposta %1 de %2 foi aprovada. Negócio fechado!").arg(number, c.client.simplified()));
    details(body, c);
    body.paragraph(QStringLiteral("Abra a proposta %1 no módulo de Propostas para ver os detalhes.").arg(number));
    return composeMail(QStringLiteral("Proposta %1 aprovada - %2").arg(number, c.client), body, signature,
                       Audience::Staff);
}

}  // namespace cot::mail
