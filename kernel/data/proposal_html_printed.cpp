// The printed report's layout (proposal_html.h): an A4 page read by QTextDocument, its
// tables bordered, the product lines in one table of ten columns.
#include <QByteArray>

#include "data/format_br.h"
#include "data/proposal_html.h"
#include "data/proposal_html_parts.h"
#include "data/proposal_number.h"

namespace cot {

namespace {

using namespace proposal_html;

QString esc(const QString& s) { return kPrinted.esc(s); }

class Printed {
public:
    Printed(const ProposalDocument& d, const ProposalLabel& label, const StoredTextHtml& storedText)
        : d_(d), label_(label), storedText_(storedText) {}

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
                    .arg(esc(label_(QStringLiteral("R_PAGINA_FIM"),
                                    {shortNumber(d_.number), d_.version, formatDate(d_.date)})));
        out_ += QStringLiteral("</body></html>");
        return out_;
    }

private:
    QString label(const char* key) const { return label_(QString::fromLatin1(key), {}); }

    static QString table(int width = 100) {
        return QStringLiteral("<table width=\"%1%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                              "style=\"border-collapse: collapse; border-color: #8899aa;\">")
            .arg(width);
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
        for (const ProposalDocument::Text& t : d_.texts) out_ += QStringLiteral("<div>%1</div>").arg(storedText_(t.html));
    }

    QString typeWord(const QString& code) const {
        return code.isEmpty() ? QString() : label_(QStringLiteral("R_TIPO_") + code, {});
    }

    // A schedule under its caption, with what its interest adds when it charges other than
    // was quoted.
    void schedule(const QString& caption, const QList<ProposalDocument::Installment>& rows, long double quoted) {
        out_ += scheduleTable(
            kPrinted,
            QStringLiteral("<p style=\"margin-top: 8px; margin-bottom: 2px;\"><b>%1</b></p>").arg(esc(caption)) + table(60),
            label_, rows);
        long double charged = 0;
        for (const ProposalDocument::Installment& i : rows) charged += i.value;
        const QString interest = interestSentence(charged, quoted, label_);
        if (!interest.isEmpty())
            out_ += QStringLiteral("<p class=\"sub\" style=\"font-size: 8pt; color: #333333;\">%1</p>").arg(esc(interest));
    }

    void letterhead() {
        const ProposalDocument::Identity& id = d_.identity;
        if (id.company.isEmpty()) return;
        out_ += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" "
                               "style=\"border-bottom: 1px solid #8899aa; margin-bottom: 6px;\"><tr>");
        if (!id.logo.isEmpty())
            out_ += QStringLiteral("<td width=\"70\" valign=\"middle\"><img src=\"data:%1;base64,%2\" height=\"56\"/></td>")
                        .arg(esc(id.logoType), QString::fromLatin1(id.logo.toBase64()));
        QStringList escaped;
        for (const QString& l : letterheadLines(id.cnpj, id.address, id.phone, id.site)) escaped << esc(l);
        out_ += QStringLiteral("<td valign=\"middle\"><span style=\"font-size: 13pt; font-weight: bold;\">%1</span>"
                               "<br/><span style=\"font-size: 8pt; color: #333333;\">%2</span></td></tr></table>")
                    .arg(esc(id.company), escaped.join(QStringLiteral("<br/>")));
    }

    // Who to talk to closes the document.
    void seller() {
        const ProposalDocument::Identity& id = d_.identity;
        const QString name = id.sellerName.isEmpty() ? d_.salesperson : id.sellerName;
        if (name.isEmpty()) return;
        QStringList reach;
        for (const QString& part : {id.sellerEmail, id.sellerPhone})
            if (!part.isEmpty()) reach << esc(part);
        out_ += QStringLiteral("<h2>%1</h2><p><b>%2</b>%3</p>")
                    .arg(esc(label("R_FALE_VENDEDOR")), esc(name),
                         reach.isEmpty() ? QString() : QStringLiteral("<br/>") + reach.join(QStringLiteral("<br/>")));
    }

    // The lines' table is narrow: its money columns say R$ once, in the heading.
    static bool moneyColumn(const QByteArray& key) {
        return key == "R_LICENCA" || key == "R_DESCONTO" || key == "R_TOTAL_LICENCA" || key == "R_MENSAL" ||
               key == "R_TOTAL_MENSAL";
    }

    void lines() {
        if (d_.lines.isEmpty()) return;
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
        for (const ProposalDocument::Line& l : d_.lines) {
            out_ += QStringLiteral("<tr><td style=\"font-size: 8pt;\">%1 - %2</td><td style=\"font-size: 8pt;\">%3</td>")
                        .arg(esc(l.code), esc(l.name), esc(typeWord(l.type)));
            for (const QString& cell :
                 {quantity(l.users), quantity(l.quantity), formatMoney(l.licence), formatMoney(l.licenceDiscount),
                  formatMoney(l.licenceTotal()), formatMoney(l.monthly), formatMoney(l.monthlyDiscount),
                  formatMoney(l.monthlyTotal())})
                out_ += printedNumberCell(cell, QStringLiteral("font-size: 8pt;"));
            out_ += QStringLiteral("</tr>");
            QStringList details;
            if (!l.systems.isEmpty()) details << label("R_SISTEMAS") + QStringLiteral(": ") + l.systems.join(QStringLiteral(", "));
            if (!l.graceMonth.isEmpty()) details << label("R_CARENCIA") + QStringLiteral(": ") + l.graceMonth;
            if (!details.isEmpty())
                out_ += QStringLiteral("<tr><td class=\"sub\" colspan=\"10\">%1</td></tr>")
                            .arg(esc(details.join(QStringLiteral(" | "))));
        }
        out_ += QStringLiteral("</table>");
        if (d_.rental()) return;
        for (const ProposalDocument::Line& l : d_.lines)
            if (!l.schedule.isEmpty())
                schedule(label("R_PARCELAS") + QStringLiteral(" - ") + l.code + QStringLiteral(" - ") + l.name, l.schedule,
                         l.quotedLicence());
    }

    void services() {
        if (d_.services.isEmpty()) return;
        out_ += QStringLiteral("<h2>%1</h2>").arg(esc(label("R_SERVICOS")));
        if (!d_.serviceObjective.trimmed().isEmpty())
            out_ += QStringLiteral("<p><b>%1:</b></p><div>%2</div>")
                        .arg(esc(label("R_OBJETIVO")), storedText_(d_.serviceObjective));
        out_ += table();
        out_ += QStringLiteral("<tr>");
        for (const char* key : {"R_SERVICO", "R_LOCAL", "R_HORAS", "R_VALOR_HORA", "R_DESC_PERC", "R_HORA_DESC", "R_VALOR"}) {
            const bool numeric = QByteArray(key) != "R_SERVICO" && QByteArray(key) != "R_LOCAL";
            out_ += QStringLiteral("<th%1 style=\"white-space: nowrap;\">%2</th>")
                        .arg(numeric ? QStringLiteral(" class=\"n\"") : QString(), esc(label(key)));
        }
        out_ += QStringLiteral("</tr>");
        for (const ProposalDocument::Service& s : d_.services) {
            out_ += QStringLiteral("<tr><td>%1</td><td>%2</td>").arg(esc(s.name), esc(s.place));
            for (const QString& cell : {quantity(s.hours), money(s.rate), formatMoney(s.discountPercent),
                                        money(s.rateWithDiscount), money(s.value())})
                out_ += printedNumberCell(cell);
            out_ += QStringLiteral("</tr>");
        }
        const bool package = d_.serviceCharging == QLatin1String("P");
        const QString charging = label("R_COBRANCA") + QStringLiteral(": ") + label(package ? "R_COBR_P" : "R_COBR_H");
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
        const ProposalDocument::Totals& t = d_.totals;
        if (!d_.rental() && !d_.lines.isEmpty()) totalRow(label("R_TOTAL_LU"), t.licence);
        if (!d_.services.isEmpty()) totalRow(label("R_TOTAL_SERV"), t.services);
        // The two figures every surface shows: what is charged once, and monthly.
        totalRow(label("R_VALOR_UNICO"), t.oneOff);
        if (!d_.lines.isEmpty()) totalRow(label(d_.rental() ? "R_TOTAL_LOC" : "R_TOTAL_MANUT"), t.monthly);
        out_ += QStringLiteral("</table>");
    }

    const ProposalDocument& d_;
    const ProposalLabel& label_;
    const StoredTextHtml& storedText_;
    QString out_;
};

}  // namespace

QString printedProposalHtml(const ProposalDocument& d, const QString& title, const ProposalLabel& label,
                            const StoredTextHtml& storedText) {
    return Printed(d, label, storedText).build(title);
}

}  // namespace cot
