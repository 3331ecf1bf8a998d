#include "dialogs/report/proposal_report_html.h"

#include <QImageReader>
#include <QRegularExpression>
#include <QTextDocument>

#include "data/format_br.h"
#include "data/proposal_number.h"
#include "data/safe_html.h"
#include "dialogs/report/proposal_report_data.h"
#include "services/messages.h"

namespace cot {

namespace {

QString quantity(double value) { return formatFloat(QStringLiteral("#,##0.##"), value); }
QString money(long double value) { return QStringLiteral("R$ ") + formatMoney(value); }
QString esc(const QString& s) { return s.toHtmlEscaped(); }

// A label in the proposal's language: KEY_ESP for a Spanish proposal when there is one.
QString labelFor(const ProposalReportData& d, const TMessages& labels, const QString& key) {
    const QString local = key + QStringLiteral("_ESP");
    const bool spanish = d.language.compare(QLatin1String("ESP"), Qt::CaseInsensitive) == 0;
    return spanish && labels.contains(local) ? labels.Msg(local) : labels.Msg(key);
}

class Layout {
public:
    Layout(const ProposalReportData& d, const TMessages& labels) : d_(d), labels_(labels) {}

    QString label(const QString& key) const { return labelFor(d_, labels_, key); }
    QString label(const char* key) const { return label(QString::fromLatin1(key)); }

    QString build(const QString& title) {
        out_ += QStringLiteral(
            "<html><head><style>"
            "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; }"
            "h1 { font-size: 15pt; margin-bottom: 2px; } h2 { font-size: 11pt; margin-top: 14px; margin-bottom: 4px; }"
            "th { background-color: #dfe6ee; font-weight: bold; } td.n, th.n { text-align: right; }"
            "td.sub { font-size: 8pt; color: #333333; }"
            "</style></head><body>");
        letterhead();
        out_ += QStringLiteral("<h1>%1</h1>").arg(esc(title));
        header();
        texts();
        lines();
        services();
        totals();
        seller();
        out_ += QStringLiteral("<p style=\"font-size: 7pt; color: #666666;\">%1</p>")
                    .arg(esc(TMessages::format(label("R_PAGINA_FIM"),
                                               {shortNumber(d_.number), d_.version, formatDate(d_.date)})));
        out_ += QStringLiteral("</body></html>");
        return out_;
    }

private:
    static QString table(int width = 100) {
        return QStringLiteral("<table width=\"%1%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                              "style=\"border-collapse: collapse; border-color: #8899aa;\">")
            .arg(width);
    }
    // A number never breaks inside ("1.000,00" is one word to the reader, not to the layout).
    static QString numberCell(const QString& text, const QString& style = {}) {
        return QStringLiteral("<td class=\"n\" style=\"white-space: nowrap; %1\">%2</td>").arg(style, text);
    }
    void headerRow(const QString& name, const QString& value, const QString& name2 = {}, const QString& value2 = {}) {
        out_ += QStringLiteral("<tr><th align=\"left\" width=\"18%\">%1</th><td width=\"42%\">%2</td>")
                    .arg(esc(name), esc(value));
        out_ += QStringLiteral("<th align=\"left\" width=\"16%\">%1</th><td width=\"24%\">%2</td></tr>")
                    .arg(esc(name2), esc(value2));
    }

    void header() {
        out_ += table();
        headerRow(label("R_PROPOSTA"), shortProposalNumber(d_.number, d_.version), label("R_VERSAO"), d_.version);
        headerRow(label("R_REFERENCIA"), d_.reference, label("R_DATA"), formatDate(d_.date));
        const QString party = label(d_.party == QLatin1String("P") ? "R_PROSPECT" : "R_CLIENTE");
        const QString name = d_.corporateName.isEmpty() || d_.corporateName == d_.partyName
                                 ? d_.partyName
                                 : d_.partyName + QStringLiteral(" (") + d_.corporateName + u')';
        headerRow(party, name, label("R_VALIDADE"), formatDate(d_.validUntil));
        headerRow(label("R_INSCRICAO"), d_.inscription, label("R_ACEITE"), formatDate(d_.acceptedOn));
        headerRow(label("R_CONTATO"), d_.contact, label("R_VENDEDOR"), d_.salesperson);
        if (!d_.product.isEmpty()) headerRow(label("R_PRODUTO"), d_.product);
        out_ += QStringLiteral("</table>");
    }

    void texts() {
        if (d_.texts.isEmpty()) return;
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_TEXTOS")));
        for (const ProposalReportData::Text& t : d_.texts) out_ += QStringLiteral("<div>%1</div>").arg(storedTextBody(t.html));
    }

    QString typeWord(const QString& code) const {
        return code.isEmpty() ? QString() : label(QStringLiteral("R_TIPO_") + code);
    }

    // A schedule as a table of its own, with what its interest adds when it charges more
    // than was quoted (the client's page says it the same way).
    void schedule(const QString& caption, const QList<ProposalReportData::Installment>& rows, long double quoted) {
        out_ += QStringLiteral("<p style=\"margin-top: 8px; margin-bottom: 2px;\"><b>%1</b></p>").arg(esc(caption));
        out_ += table(60);
        out_ += QStringLiteral("<tr><th>%1</th><th>%2</th><th class=\"n\">%3</th></tr>")
                    .arg(esc(label("R_PARCELA")), esc(label("R_VENCIMENTO")), esc(label("R_VALOR")));
        long double charged = 0;
        for (int i = 0; i < rows.size(); ++i) {
            charged += rows[i].value;
            out_ += QStringLiteral("<tr><td>%1</td><td>%2</td>%3</tr>")
                        .arg(i + 1)
                        .arg(formatDate(rows[i].due), numberCell(money(rows[i].value)));
        }
        out_ += QStringLiteral("</table>");
        interest(charged, quoted);
    }

    void interest(long double charged, long double quoted) {
        if (formatMoney(charged) == formatMoney(quoted)) return;
        const QString text =
            charged > quoted
                ? TMessages::format(label("R_JUROS"), {money(charged), money(quoted), money(charged - quoted)})
                : TMessages::format(label("R_JUROS_ABAIXO"), {money(charged), money(quoted)});
        out_ += QStringLiteral("<p class=\"sub\" style=\"font-size: 8pt; color: #333333;\">%1</p>").arg(esc(text));
    }

    void letterhead() {
        const ProposalReportData::Identity& id = d_.identity;
        if (id.company.isEmpty()) return;
        out_ += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" "
                               "style=\"border-bottom: 1px solid #8899aa; margin-bottom: 6px;\"><tr>");
        // An image the renderer cannot read (an SVG without the plugin) is left out, never
        // drawn as a broken picture.
        if (!id.logo.isEmpty() && QImageReader::supportedMimeTypes().contains(id.logoType.toLatin1()))
            out_ += QStringLiteral("<td width=\"70\" valign=\"middle\"><img src=\"data:%1;base64,%2\" height=\"56\"/></td>")
                        .arg(esc(id.logoType), QString::fromLatin1(id.logo.toBase64()));
        QStringList lines;
        if (!id.cnpj.isEmpty()) lines << QStringLiteral("CNPJ ") + id.cnpj;
        if (!id.address.isEmpty()) lines << id.address;
        QStringList reach;
        for (const QString& part : {id.phone, id.site})
            if (!part.isEmpty()) reach << part;
        if (!reach.isEmpty()) lines << reach.join(QStringLiteral(" · "));
        QStringList escaped;
        for (const QString& l : std::as_const(lines)) escaped << esc(l);
        out_ += QStringLiteral("<td valign=\"middle\"><span style=\"font-size: 13pt; font-weight: bold;\">%1</span>"
                               "<br/><span style=\"font-size: 8pt; color: #333333;\">%2</span></td></tr></table>")
                    .arg(esc(id.company), escaped.join(QStringLiteral("<br/>")));
    }

    // Who to talk to closes the document.
    void seller() {
        const ProposalReportData::Identity& id = d_.identity;
        const QString name = id.sellerName.isEmpty() ? d_.salesperson : id.sellerName;
        if (name.isEmpty()) return;
        QStringList reach;
        for (const QString& part : {id.sellerEmail, id.sellerPhone})
            if (!part.isEmpty()) reach << esc(part);
        out_ += QStringLiteral("<h2>%1</h2><p><b>%2</b>%3</p>")
                    .arg(esc(label("R_FALE_VENDEDOR")), esc(name),
                         reach.isEmpty() ? QString() : QStringLiteral("<br/>") + reach.join(QStringLiteral("<br/>")));
    }

    void lines() {
        if (d_.lines.isEmpty()) return;
        const bool rental = d_.contract == QLatin1String("L");
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_LINHAS")));
        out_ += table();
        out_ += QStringLiteral("<tr>");
        // Ten columns on a portrait page: the names take the room the numbers leave.
        const std::pair<const char*, int> columns[] = {{"R_LINHA", 19},          {"R_TIPO", 14},   {"R_USUARIOS", 8},
                                                       {"R_QTDE", 6},            {"R_LICENCA", 9}, {"R_DESCONTO", 7},
                                                       {"R_TOTAL_LICENCA", 10},  {"R_MENSAL", 9},  {"R_DESCONTO", 7},
                                                       {"R_TOTAL_MENSAL", 10}};
        for (const auto& [key, width] : columns) {
            const QByteArray k(key);
            const bool numeric = k != "R_LINHA" && k != "R_TIPO";
            // Narrow columns: each word of a heading on its own line, never split itself.
            out_ += QStringLiteral("<th%1 width=\"%2%\" style=\"font-size: 8pt; white-space: nowrap;\">%3</th>")
                        .arg(numeric ? QStringLiteral(" class=\"n\"") : QString())
                        .arg(width)
                        .arg(esc(label(key)).split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QStringLiteral("<br/>")) +
                             (moneyColumn(k) ? QStringLiteral("<br/>(R$)") : QString()));
        }
        out_ += QStringLiteral("</tr>");
        for (const ProposalReportData::Line& l : d_.lines) {
            out_ += QStringLiteral("<tr><td style=\"font-size: 8pt;\">%1 - %2</td><td style=\"font-size: 8pt;\">%3</td>")
                        .arg(esc(l.code), esc(l.name), esc(typeWord(l.type)));
            for (const QString& cell :
                 {quantity(l.users), quantity(l.quantity), formatMoney(l.licence), formatMoney(l.licenceDiscount),
                  formatMoney(l.licenceTotal()), formatMoney(l.monthly), formatMoney(l.monthlyDiscount),
                  formatMoney(l.monthlyTotal())})
                out_ += numberCell(cell, QStringLiteral("font-size: 8pt;"));
            out_ += QStringLiteral("</tr>");
            QStringList details;
            if (!l.systems.isEmpty()) details << label("R_SISTEMAS") + QStringLiteral(": ") + l.systems.join(QStringLiteral(", "));
            if (!l.graceMonth.isEmpty()) details << label("R_CARENCIA") + QStringLiteral(": ") + l.graceMonth;
            if (!details.isEmpty())
                out_ += QStringLiteral("<tr><td class=\"sub\" colspan=\"10\">%1</td></tr>")
                            .arg(esc(details.join(QStringLiteral(" | "))));
        }
        out_ += QStringLiteral("</table>");
        if (rental) return;
        for (const ProposalReportData::Line& l : d_.lines)
            if (!l.schedule.isEmpty())
                schedule(label("R_PARCELAS") + QStringLiteral(" - ") + l.code + QStringLiteral(" - ") + l.name, l.schedule,
                         l.quotedLicence());
    }

    // The lines' table is narrow: its money columns say R$ once, in the heading.
    static bool moneyColumn(const QByteArray& key) {
        return key == "R_LICENCA" || key == "R_DESCONTO" || key == "R_TOTAL_LICENCA" || key == "R_MENSAL" ||
               key == "R_TOTAL_MENSAL";
    }

    void services() {
        if (d_.services.isEmpty()) return;
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_SERVICOS")));
        if (!d_.serviceObjective.trimmed().isEmpty())
            out_ += QStringLiteral("<p><b>%1:</b></p><div>%2</div>")
                        .arg(esc(label("R_OBJETIVO")), storedTextBody(d_.serviceObjective));
        out_ += table();
        out_ += QStringLiteral("<tr>");
        for (const char* key : {"R_SERVICO", "R_LOCAL", "R_HORAS", "R_VALOR_HORA", "R_DESC_PERC", "R_HORA_DESC", "R_VALOR"}) {
            const bool numeric = QByteArray(key) != "R_SERVICO" && QByteArray(key) != "R_LOCAL";
            out_ += QStringLiteral("<th%1 style=\"white-space: nowrap;\">%2</th>")
                        .arg(numeric ? QStringLiteral(" class=\"n\"") : QString(), esc(label(key)));
        }
        out_ += QStringLiteral("</tr>");
        for (const ProposalReportData::Service& s : d_.services) {
            out_ += QStringLiteral("<tr><td>%1</td><td>%2</td>").arg(esc(s.name), esc(s.place));
            for (const QString& cell : {quantity(s.hours), money(s.rate), formatMoney(s.discountPercent),
                                        money(s.rateWithDiscount), money(s.value())})
                out_ += numberCell(cell);
            out_ += QStringLiteral("</tr>");
        }
        const bool package = d_.serviceCharging == QLatin1String("P");
        QString charging = label("R_COBRANCA") + QStringLiteral(": ") +
                           label(package ? "R_COBR_P" : "R_COBR_H");
        out_ += QStringLiteral("<tr><td class=\"sub\" colspan=\"7\">%1</td></tr>").arg(esc(charging));
        out_ += QStringLiteral("</table>");
        if (package && !d_.serviceSchedule.isEmpty())
            schedule(label("R_PARCELAS") + QStringLiteral(" - ") + label("R_SERVICOS"), d_.serviceSchedule, d_.packageValue);
    }

    void totalRow(const QString& name, long double value) {
        out_ += QStringLiteral("<tr><td width=\"70%\">%1</td><td class=\"n\" width=\"30%\"><b>%2</b></td></tr>")
                    .arg(esc(name), money(value));
    }

    void totals() {
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_TOTAIS")));
        out_ += table();
        const bool rental = d_.contract == QLatin1String("L");
        const ProposalReportData::Totals& t = d_.totals;
        if (!rental && !d_.lines.isEmpty()) totalRow(label("R_TOTAL_LU"), t.licence);
        if (!d_.services.isEmpty()) totalRow(label("R_TOTAL_SERV"), t.services);
        // The two figures every surface shows: what is charged once, and monthly.
        totalRow(label("R_VALOR_UNICO"), t.oneOff);
        if (!d_.lines.isEmpty()) totalRow(label(rental ? "R_TOTAL_LOC" : "R_TOTAL_MANUT"), t.monthly);
        out_ += QStringLiteral("</table>");
    }

    const ProposalReportData& d_;
    const TMessages& labels_;
    QString out_;
};

}  // namespace

QString storedTextBody(const QString& stored) {
    if (stored.trimmed().isEmpty()) return {};
    if (!Qt::mightBeRichText(stored)) {
        QString plain = stored.toHtmlEscaped();
        plain.replace(QLatin1Char('\n'), QStringLiteral("<br/>"));
        return QStringLiteral("<p>") + plain + QStringLiteral("</p>");
    }
    // A whole document (what the rich editor stores): only what is inside its body.
    static const QRegularExpression body(QStringLiteral("<body[^>]*>(.*)</body>"),
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = body.match(stored);
    // What the texts hold is typed, pasted or imported by anyone: only its formatting reaches
    // the renderer, never an image, a link or anything it would fetch.
    return safeHtml(m.hasMatch() ? m.captured(1) : stored);
}

QString proposalReportHtml(const ProposalReportData& data, const QString& title, const TMessages& labels) {
    return Layout(data, labels).build(title);
}

PageFooter proposalPageFooter(const ProposalReportData& data, const TMessages& labels, int page, int pages) {
    return {data.identity.footer,
            TMessages::format(labelFor(data, labels, QStringLiteral("R_PAGINA")), {QString::number(page), QString::number(pages)})};
}

}  // namespace cot
