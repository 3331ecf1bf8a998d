#include "dialogs/report/proposal_report_html.h"

#include <QRegularExpression>
#include <QTextDocument>

#include "data/proposal_number.h"
#include "data/format_br.h"
#include "dialogs/report/proposal_report_data.h"
#include "dialogs/report/report_text_filter.h"
#include "services/messages.h"

namespace cot {

namespace {

QString quantity(double value) { return formatFloat(QStringLiteral("#,##0.##"), value); }
QString esc(const QString& s) { return s.toHtmlEscaped(); }

class Layout {
public:
    Layout(const ProposalReportData& d, const TMessages& labels)
        : d_(d), labels_(labels), spanish_(d.language.compare(QLatin1String("ESP"), Qt::CaseInsensitive) == 0) {}

    QString label(const QString& key) const {
        const QString local = key + QStringLiteral("_ESP");
        return spanish_ && labels_.contains(local) ? labels_.Msg(local) : labels_.Msg(key);
    }
    QString label(const char* key) const { return label(QString::fromLatin1(key)); }

    QString build(const QString& title) {
        out_ += QStringLiteral(
            "<html><head><style>"
            "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; }"
            "h1 { font-size: 15pt; margin-bottom: 2px; } h2 { font-size: 11pt; margin-top: 14px; margin-bottom: 4px; }"
            "th { background-color: #dfe6ee; font-weight: bold; } td.n, th.n { text-align: right; }"
            "td.sub { font-size: 8pt; color: #333333; }"
            "</style></head><body>");
        out_ += QStringLiteral("<h1>%1</h1>").arg(esc(title));
        header();
        texts();
        lines();
        services();
        totals();
        out_ += QStringLiteral("<p style=\"font-size: 7pt; color: #666666;\">%1</p>")
                    .arg(esc(TMessages::format(label("R_PAGINA_FIM"),
                                               {shortNumber(d_.number), d_.version, formatDate(d_.date)})));
        out_ += QStringLiteral("</body></html>");
        return out_;
    }

private:
    static QString table(const QString& style = {}) {
        return QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                              "style=\"border-collapse: collapse; border-color: #8899aa; %1\">")
            .arg(style);
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
        headerRow(label("R_PROPOSTA"), shortNumber(d_.number), label("R_VERSAO"), d_.version);
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

    QString schedule(const QList<ProposalReportData::Installment>& rows) const {
        QStringList parts;
        for (int i = 0; i < rows.size(); ++i)
            parts << QStringLiteral("%1) %2: %3").arg(i + 1).arg(formatDate(rows[i].due), formatMoney(rows[i].value));
        return parts.join(QStringLiteral("; "));
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
                        .arg(esc(label(key)).split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QStringLiteral("<br/>")));
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
            if (!l.schedule.isEmpty() && !rental) details << label("R_PARCELAS") + QStringLiteral(": ") + schedule(l.schedule);
            if (!details.isEmpty())
                out_ += QStringLiteral("<tr><td class=\"sub\" colspan=\"10\">%1</td></tr>")
                            .arg(esc(details.join(QStringLiteral(" | "))));
        }
        out_ += QStringLiteral("</table>");
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
            for (const QString& cell : {quantity(s.hours), formatMoney(s.rate), formatMoney(s.discountPercent),
                                        formatMoney(s.rateWithDiscount), formatMoney(s.value())})
                out_ += numberCell(cell);
            out_ += QStringLiteral("</tr>");
        }
        const bool package = d_.serviceCharging == QLatin1String("P");
        QString charging = label("R_COBRANCA") + QStringLiteral(": ") +
                           label(package ? "R_COBR_P" : "R_COBR_H");
        if (package && !d_.serviceSchedule.isEmpty())
            charging += QStringLiteral(" | ") + label("R_PARCELAS") + QStringLiteral(": ") + schedule(d_.serviceSchedule);
        out_ += QStringLiteral("<tr><td class=\"sub\" colspan=\"7\">%1</td></tr>").arg(esc(charging));
        out_ += QStringLiteral("</table>");
    }

    void totalRow(const QString& name, long double value) {
        out_ += QStringLiteral("<tr><td width=\"70%\">%1</td><td class=\"n\" width=\"30%\"><b>%2</b></td></tr>")
                    .arg(esc(name), formatMoney(value));
    }

    void totals() {
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_TOTAIS")));
        out_ += table();
        const bool rental = d_.contract == QLatin1String("L");
        if (!d_.lines.isEmpty()) {
            if (!rental) totalRow(label("R_TOTAL_LU"), d_.licenceTotal());
            totalRow(label(rental ? "R_TOTAL_LOC" : "R_TOTAL_MANUT"), d_.monthlyTotal());
        }
        if (!d_.services.isEmpty()) totalRow(label("R_TOTAL_SERV"), d_.servicesTotal());
        if (!rental && !d_.lines.isEmpty() && !d_.services.isEmpty())
            totalRow(label("R_TOTAL_GERAL"), d_.licenceTotal() + d_.servicesTotal());
        out_ += QStringLiteral("</table>");
    }

    const ProposalReportData& d_;
    const TMessages& labels_;
    const bool spanish_;
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
    return reportSafeHtml(m.hasMatch() ? m.captured(1) : stored);
}

QString proposalReportHtml(const ProposalReportData& data, const QString& title, const TMessages& labels) {
    return Layout(data, labels).build(title);
}

}  // namespace cot
