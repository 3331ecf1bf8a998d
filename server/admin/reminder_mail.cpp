#include "server/admin/reminder_mail.h"

#include <QStringList>

#include "data/proposal_number.h"
#include "data/format_br.h"
#include "server/client_page/page_data.h"
#include "server/client_page/page_text.h"

namespace cot::server {

namespace {

using client_page::esc;

QString money(long double value) { return QStringLiteral("R$ ") + formatMoney(value); }

QString valueText(const ReminderItem& item) {
    QString text = money(item.value);
    if (item.monthly != 0) text += QStringLiteral(" + %1 por mês").arg(money(item.monthly));
    return text;
}

QString dateText(const QDate& date) { return date.toString(QStringLiteral("dd/MM/yyyy")); }

QString whenText(const ReminderItem& item, const QDate& today) {
    const qint64 left = today.daysTo(item.validUntil);
    if (left < 0) return QStringLiteral("venceu em %1").arg(dateText(item.validUntil));
    if (left == 0) return QStringLiteral("vence hoje (%1)").arg(dateText(item.validUntil));
    return QStringLiteral("vence em %1").arg(dateText(item.validUntil));
}

QString oneLine(const QString& text) { return text.simplified(); }

}  // namespace

MailMessage reminderMessage(const QString& from, const QString& to, const QString& salespersonName,
                            const QList<ReminderItem>& items, const QDate& today) {
    MailMessage m;
    m.from = from;
    m.to = QStringList{to};
    m.subject = QStringLiteral("Propostas a vencer: %1").arg(items.size());

    const QString greeting = salespersonName.trimmed().isEmpty()
                                 ? QStringLiteral("Olá,")
                                 : QStringLiteral("Olá, %1,").arg(oneLine(salespersonName));
    const QString intro = QStringLiteral("Estas propostas sem decisão do cliente estão perto do fim da validade "
                                         "ou venceram ontem:");
    QStringList text{greeting, QString(), intro, QString()};
    QString rows;
    for (const ReminderItem& item : items) {
        const QString number = shortProposalNumber(item.nr, item.ver);
        text << QStringLiteral("- %1 %2").arg(number, whenText(item, today));
        text << QStringLiteral("  Referência: %1").arg(oneLine(item.reference));
        text << QStringLiteral("  Cliente: %1").arg(oneLine(item.client));
        text << QStringLiteral("  Valor: %1").arg(valueText(item));
        text << QString();
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td style=\"text-align:right\">%5</td>"
                               "</tr>\n")
                    .arg(esc(number), esc(oneLine(item.reference)), esc(oneLine(item.client)),
                         esc(whenText(item, today)), esc(valueText(item)));
    }
    text << QStringLiteral("Mensagem automática do servidor de propostas.");
    m.textPart = text.join(u'\n') + u'\n';
    m.htmlPart = QStringLiteral("<html><body><p>%1</p><p>%2</p>\n"
                                "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
                                "<tr><th>Proposta</th><th>Referência</th><th>Cliente</th><th>Validade</th>"
                                "<th>Valor</th></tr>\n%3</table>\n"
                                "<p>Mensagem automática do servidor de propostas.</p></body></html>\n")
                     .arg(esc(greeting), esc(intro), rows);
    return m;
}

}  // namespace cot::server
