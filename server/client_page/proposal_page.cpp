#include "server/client_page/proposal_page.h"

#include <QCryptographicHash>

#include "data/proposal_number.h"
#include "data/format_br.h"
#include "data/html_text.h"
#include "server/client_page/page_data.h"
#include "server/client_page/page_text.h"

namespace cot::server::client_page {

namespace {

QString money(long double value) { return QStringLiteral("R$ ") + formatMoney(value); }
QString quantity(double value) { return formatFloat(QStringLiteral("#,##0.##"), value); }

class Content {
public:
    explicit Content(const PageProposal& d) : d_(d) {}

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

    void schedule(const QList<PageInstallment>& rows) {
        if (rows.isEmpty()) return;
        out_ += QStringLiteral("<table class=\"parcelas\"><caption>Parcelas</caption>\n"
                               "<tr><th>Parcela</th><th>Vencimento</th><th class=\"n\">Valor</th></tr>\n");
        for (int i = 0; i < rows.size(); ++i)
            out_ += QStringLiteral("<tr><td>%1</td><td>%2</td><td class=\"n\">%3</td></tr>\n")
                        .arg(i + 1)
                        .arg(formatDate(rows[i].due), money(rows[i].value));
        out_ += QStringLiteral("</table>\n");
    }

    void amount(const QString& name, const QString& value) {
        out_ += QStringLiteral("<tr><th>%1</th><td class=\"n\">%2</td></tr>\n").arg(esc(name), value);
    }

    void header() {
        out_ += QStringLiteral("<h1>Proposta %1</h1>\n").arg(esc(shortProposalNumber(d_.nr, d_.ver)));
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
        for (const PageLine& l : d_.lines) {
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
        if (!objective.isEmpty()) out_ += QStringLiteral("<p class=\"texto\">%1</p>\n").arg(inertHtml(objective));
        for (const PageService& s : d_.services) {
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
        for (const PageText& t : d_.texts) {
            const QString plain = plainTextOfHtml(t.stored);
            if (plain.isEmpty()) continue;
            if (!any) out_ += QStringLiteral("<h2>Condições</h2>\n");
            any = true;
            out_ += QStringLiteral("<p class=\"texto\">%1</p>\n").arg(inertHtml(plain));
        }
    }

    void totals() {
        out_ += QStringLiteral("<h2>Totais</h2>\n<table class=\"totais\">\n");
        // The proposal's two figures as every surface shows them: what is charged once and
        // what is charged each month (proposal_totals.h).
        const ProposalTotals& t = d_.totals;
        if (!d_.lines.isEmpty() && (!d_.rental() || t.licence != 0))
            amount(QStringLiteral("Licença de uso"), money(t.licence));
        if (!d_.services.isEmpty() || t.services != 0) amount(QStringLiteral("Serviços"), money(t.services));
        amount(QStringLiteral("Valor único"),
               QStringLiteral("<strong id=\"total-geral\">%1</strong>").arg(money(t.grand())));
        if (!d_.lines.isEmpty())
            amount(QStringLiteral("Mensal"), QStringLiteral("<strong id=\"mensal\">%1</strong>").arg(money(t.monthly)));
        out_ += QStringLiteral("</table>\n");
        if (!d_.lines.isEmpty())
            out_ += QStringLiteral("<p class=\"nota\">O valor mensal não entra no valor único: é cobrado a cada "
                                   "mês.</p>\n");
        // Installments with interest charge more than the quoted values: say so, with both figures.
        const long double quoted = t.quoted;
        const long double charged = t.grand();
        if (formatMoney(charged) == formatMoney(quoted)) return;
        if (charged > quoted)
            out_ += QStringLiteral("<p id=\"juros\">As parcelas somam %1, acima do valor cotado de %2: a diferença "
                                   "de %3 são os juros do parcelamento.</p>\n")
                        .arg(money(charged), money(quoted), money(charged - quoted));
        else
            out_ += QStringLiteral("<p id=\"juros\">As parcelas somam %1; o valor cotado é %2.</p>\n")
                        .arg(money(charged), money(quoted));
    }

    const PageProposal& d_;
    QString out_;
};

}  // namespace

QString proposalContentHtml(Database& db, const QString& nr, const QString& ver) {
    const std::optional<PageProposal> proposal = readPageProposal(db, nr, ver);
    if (!proposal) return {};
    return Content(*proposal).build();
}

QString contentHash(const QString& contentHtml) {
    return QString::fromLatin1(
        QCryptographicHash::hash(contentHtml.toUtf8(), QCryptographicHash::Sha256).toHex());
}

}  // namespace cot::server::client_page
