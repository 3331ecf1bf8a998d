#include "data/format_br.h"
#include "data/proposal_number.h"
#include "services/mail_kinds.h"

namespace cot::mail {

namespace {

QString valueText(const ReminderItem& item) {
    QString text = money(item.value);
    if (item.monthly != 0) text += QStringLiteral(" + %1 por mês").arg(money(item.monthly));
    return text;
}

QString whenText(const ReminderItem& item, const QDate& today) {
    const qint64 left = today.daysTo(item.validUntil);
    if (left < 0) return QStringLiteral("venceu em %1").arg(formatDate(item.validUntil));
    if (left == 0) return QStringLiteral("vence hoje (%1)").arg(formatDate(item.validUntil));
    return QStringLiteral("vence em %1").arg(formatDate(item.validUntil));
}

}  // namespace

MailMessage reminderMessage(const QString& salespersonName, const QList<ReminderItem>& items, const QDate& today,
                            const MailSignature& signature) {
    MailTable t;
    t.header = {QStringLiteral("Proposta"), QStringLiteral("Validade"), QStringLiteral("Referência"),
                QStringLiteral("Cliente"), QStringLiteral("Valor")};
    t.rightAligned = {4};
    for (const ReminderItem& item : items)
        t.rows << QStringList{shortProposalNumber(item.nr, item.ver), whenText(item, today), item.reference,
                              item.client, valueText(item)};
    MailBody body;
    body.paragraph(salespersonName.trimmed().isEmpty() ? QStringLiteral("Olá,")
                                                       : QStringLiteral("Olá, %1,").arg(salespersonName.simplified()))
        .paragraph(QStringLiteral("Estas propostas sem decisão do cliente estão perto do fim da validade ou "
                                  "venceram ontem:"))
        .table(t)
        .paragraph(QStringLiteral("Abra-as no módulo de Propostas para renovar a validade ou registrar a perda. "
                                  "Mensagem automática do servidor de propostas."));
    return composeMail(QStringLiteral("Propostas a vencer: %1").arg(items.size()), body, signature, Audience::Staff);
}

}  // namespace cot::mail
