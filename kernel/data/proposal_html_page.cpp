// The client's page's layout (proposal_html.h): one card a product line or service, read on
// a phone; the texts as plain words, never as markup.
#include <QHash>

#include "data/format_br.h"
#include "data/html_text.h"
#include "data/proposal_html.h"
#include "data/proposal_html_parts.h"
#include "data/proposal_number.h"

namespace cot {

namespace {

using namespace proposal_html;

QString esc(const QString& s) { return kPage.esc(s); }

// Escaped, its line breaks as <br>.
QString inert(const QString& plain) {
    QString out = esc(plain);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\n', QStringLiteral("<br>"));
    return out;
}

// The page speaks pt-BR whatever the proposal's language: the words of what it shares with
// the printed report.
QString pageLabel(const QString& key, const QStringList& args) {
    static const QHash<QString, QString> words{
        {QStringLiteral("R_PARCELA"), QStringLiteral("Parcela")},
        {QStringLiteral("R_VENCIMENTO"), QStringLiteral("Vencimento")},
        {QStringLiteral("R_VALOR"), QStringLiteral("Valor")},
        {QStringLiteral("R_JUROS"), QStringLiteral("As parcelas somam %1, acima do valor cotado de %2: a diferença de "
                                                   "%3 são os juros do parcelamento.")},
        {QStringLiteral("R_JUROS_ABAIXO"), QStringLiteral("As parcelas somam %1; o valor cotado é %2.")},
    };
    QString text = words.value(key);
    for (const QString& arg : args) text = text.arg(arg);
    return text;
}

class Page {
public:
    explicit Page(const ProposalDocument& d) : d_(d) {}

    QString build() {
        out_ += QStringLiteral("<section id=\"proposta\">\n");
        header();
        lines();
        services();
        texts();
        totals();
        out_ += QStringLiteral("</section>\n");
        return out_;
    }

private:
    void field(const QString& name, const QString& value) {
        if (value.isEmpty()) return;
        out_ += QStringLiteral("<dt>%1</dt><dd>%2</dd>\n").arg(esc(name), esc(value));
    }

    void schedule(const QList<ProposalDocument::Installment>& rows) {
        if (rows.isEmpty()) return;
        out_ += scheduleTable(kPage, QStringLiteral("<table class=\"parcelas\"><caption>Parcelas</caption>\n"), pageLabel,
                              rows);
    }

    void amount(const QString& name, const QString& value) {
        out_ += QStringLiteral("<tr><th>%1</th><td class=\"n\">%2</td></tr>\n").arg(esc(name), value);
    }

    void header() {
        out_ += QStringLiteral("<h1>Proposta %1</h1>\n").arg(esc(shortProposalNumber(d_.number, d_.version)));
        out_ += QStringLiteral("<dl class=\"cabecalho\">\n");
        field(QStringLiteral("Referência"), d_.reference);
        field(QStringLiteral("Cliente"), d_.partyName);
        field(QStringLiteral("Data"), formatDate(d_.date));
        field(QStringLiteral("Validade"), formatDate(d_.validUntil));
        field(QStringLiteral("Vendedor"), d_.salesperson);
        out_ += QStringLiteral("</dl>\n");
    }

    void lines() {
        if (d_.lines.isEmpty()) return;
        out_ += QStringLiteral("<h2>Produtos</h2>\n");
        for (const ProposalDocument::Line& l : d_.lines) {
            const QString title = l.code.isEmpty() ? l.name : l.code + QStringLiteral(" - ") + l.name;
            out_ += QStringLiteral("<article class=\"item\">\n<h3>%1</h3>\n").arg(esc(title));
            if (!l.systems.isEmpty())
                out_ += QStringLiteral("<p class=\"sistemas\">Sistemas: %1</p>\n")
                            .arg(esc(l.systems.join(QStringLiteral(", "))));
            out_ += QStringLiteral("<table class=\"valores\">\n");
            amount(QStringLiteral("Quantidade"), esc(quantity(l.quantity)));
            if (!d_.rental()) {
                amount(QStringLiteral("Licença de uso (unitário)"), money(l.licence));
                if (l.licenceDiscount != 0)
                    amount(QStringLiteral("Desconto na licença (unitário)"), money(l.licenceDiscount));
                amount(QStringLiteral("Total da licença"), money(l.licenceTotal()));
            }
            const QString monthly = d_.rental() ? QStringLiteral("Locação mensal") : QStringLiteral("Mensalidade");
            amount(monthly + QStringLiteral(" (unitário)"), money(l.monthly));
            if (l.monthlyDiscount != 0)
                amount(QStringLiteral("Desconto na mensalidade (unitário)"), money(l.monthlyDiscount));
            amount(monthly + QStringLiteral(" total"), money(l.monthlyTotal()));
            out_ += QStringLiteral("</table>\n");
            if (!d_.rental()) schedule(l.schedule);
            out_ += QStringLiteral("</article>\n");
        }
    }

    void services() {
        if (d_.services.isEmpty()) return;
        const bool package = d_.serviceCharging == QLatin1String("P");
        out_ += QStringLiteral("<h2>Serviços</h2>\n");
        const QString objective = plainTextOfHtml(d_.serviceObjective);
        if (!objective.isEmpty()) out_ += QStringLiteral("<p class=\"texto\">%1</p>\n").arg(inert(objective));
        for (const ProposalDocument::Service& s : d_.services) {
            out_ += QStringLiteral("<article class=\"item\">\n<h3>%1</h3>\n").arg(esc(s.name));
            if (!s.place.isEmpty()) out_ += QStringLiteral("<p>Local: %1</p>\n").arg(esc(s.place));
            out_ += QStringLiteral("<table class=\"valores\">\n");
            amount(QStringLiteral("Horas"), esc(quantity(s.hours)));
            if (!package) {
                amount(QStringLiteral("Valor da hora"), money(s.rateWithDiscount));
                amount(QStringLiteral("Valor"), money(s.value()));
            }
            out_ += QStringLiteral("</table>\n</article>\n");
        }
        if (package) {
            out_ += QStringLiteral("<p>Cobrança: pacote de serviços de %1.</p>\n").arg(money(d_.packageValue));
            schedule(d_.serviceSchedule);
        } else {
            out_ += QStringLiteral("<p>Cobrança: por hora (horas × valor da hora).</p>\n");
        }
    }

    void texts() {
        bool any = false;
        for (const ProposalDocument::Text& t : d_.texts) {
            const QString plain = plainTextOfHtml(t.html);
            if (plain.isEmpty()) continue;
            if (!any) out_ += QStringLiteral("<h2>Condições</h2>\n");
            any = true;
            out_ += QStringLiteral("<p class=\"texto\">%1</p>\n").arg(inert(plain));
        }
    }

    void totals() {
        out_ += QStringLiteral("<h2>Totais</h2>\n<table class=\"totais\">\n");
        // The proposal's two figures as every surface shows them: what is charged once and
        // what is charged each month.
        const ProposalDocument::Totals& t = d_.totals;
        if (!d_.lines.isEmpty() && (!d_.rental() || t.licence != 0))
            amount(QStringLiteral("Licença de uso"), money(t.licence));
        if (!d_.services.isEmpty() || t.services != 0) amount(QStringLiteral("Serviços"), money(t.services));
        amount(QStringLiteral("Valor único"),
               QStringLiteral("<strong id=\"total-geral\">%1</strong>").arg(money(t.oneOff)));
        if (!d_.lines.isEmpty())
            amount(QStringLiteral("Mensal"), QStringLiteral("<strong id=\"mensal\">%1</strong>").arg(money(t.monthly)));
        out_ += QStringLiteral("</table>\n");
        if (!d_.lines.isEmpty())
            out_ += QStringLiteral("<p class=\"nota\">O valor mensal não entra no valor único: é cobrado a cada "
                                   "mês.</p>\n");
        // Installments with interest charge more than the quoted values: said once, over the
        // whole, with both figures.
        const QString interest = interestSentence(t.oneOff, t.quoted, pageLabel);
        if (!interest.isEmpty()) out_ += QStringLiteral("<p id=\"juros\">%1</p>\n").arg(esc(interest));
    }

    const ProposalDocument& d_;
    QString out_;
};

}  // namespace

QString pageProposalHtml(const ProposalDocument& d) { return Page(d).build(); }

}  // namespace cot
