#include "data/proposal_html_parts.h"

#include "data/format_br.h"

namespace cot::proposal_html {

QString money(long double value) { return QStringLiteral("R$ ") + formatMoney(value); }
QString quantity(double value) { return formatFloat(QStringLiteral("#,##0.##"), value); }

// The printed report is read by QTextDocument: a number never breaks inside ("1.000,00" is
// one word to the reader, not to its layout).
QString printedNumberCell(const QString& text, const QString& style) {
    return QStringLiteral("<td class=\"n\" style=\"white-space: nowrap; %1\">%2</td>").arg(style, text);
}

const Markup kPrinted{[](const QString& s) { return s.toHtmlEscaped(); }, QString(),
                      [](const QString& text) { return printedNumberCell(text); }};

// The page goes to any browser: quotes of both kinds escaped, the stylesheet keeps figures whole.
const Markup kPage{[](const QString& s) {
                       QString out = s.toHtmlEscaped();
                       out.replace(u'\'', QStringLiteral("&#39;"));
                       return out;
                   },
                   QStringLiteral("\n"),
                   [](const QString& text) { return QStringLiteral("<td class=\"n\">%1</td>").arg(text); }};

QString scheduleTable(const Markup& m, const QString& opening, const ProposalLabel& label,
                      const QList<ProposalDocument::Installment>& rows) {
    QString out = opening;
    out += QStringLiteral("<tr><th>%1</th><th>%2</th><th class=\"n\">%3</th></tr>")
               .arg(m.esc(label(QStringLiteral("R_PARCELA"), {})), m.esc(label(QStringLiteral("R_VENCIMENTO"), {})),
                    m.esc(label(QStringLiteral("R_VALOR"), {}))) +
           m.blockEnd;
    for (int i = 0; i < rows.size(); ++i)
        out += QStringLiteral("<tr><td>%1</td><td>%2</td>%3</tr>")
                   .arg(i + 1)
                   .arg(formatDate(rows[i].due), m.numberCell(money(rows[i].value))) +
               m.blockEnd;
    return out + QStringLiteral("</table>") + m.blockEnd;
}

QString interestSentence(long double charged, long double quoted, const ProposalLabel& label) {
    if (formatMoney(charged) == formatMoney(quoted)) return {};
    return charged > quoted
               ? label(QStringLiteral("R_JUROS"), {money(charged), money(quoted), money(charged - quoted)})
               : label(QStringLiteral("R_JUROS_ABAIXO"), {money(charged), money(quoted)});
}

}  // namespace cot::proposal_html

namespace cot {

QStringList letterheadLines(const QString& cnpj, const QString& address, const QString& phone, const QString& site) {
    QStringList lines;
    if (!cnpj.isEmpty()) lines << QStringLiteral("CNPJ ") + cnpj;
    if (!address.isEmpty()) lines << address;
    QStringList reach;
    for (const QString& part : {phone, site})
        if (!part.isEmpty()) reach << part;
    if (!reach.isEmpty()) lines << reach.join(QStringLiteral(" · "));
    return lines;
}

}  // namespace cot
