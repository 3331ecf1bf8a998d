#include "proposal/totals/totals_area.h"

#include <QHBoxLayout>
#include <QLayout>
#include <iterator>

#include "data/client_table.h"
#include "data/format_br.h"
#include "data/packet.h"
#include "rpc/net_connection.h"
#include "ui/containers.h"
#include "ui/edits.h"
#include "ui/page_control.h"

namespace cot {

TotalsArea::TotalsArea(AreaHost& host) : ProposalArea(host) {}

namespace {

// In the order of the labels: the parts charged once, their sum, the monthly value and
// every schedule.
const char* const kFigures[] = {"VRLICENCA", "VRSERVICOS", "VRUNICO", "VRMENSAL", "VRPARCELAS"};

}  // namespace

bool TotalsArea::shown() const { return host_.pages().pgcPadrao->activePage() == host_.pages().tshProposta; }

void TotalsArea::build() {
    TTabSheet* page = host_.pages().tshProposta;
    panTotais = new TPanel(QStringLiteral("panTotais"), page);
    auto* row = new QHBoxLayout(panTotais);
    row->setContentsMargins(4, 2, 4, 2);
    const auto figure = [&](const char* name, const QString& caption, QLabel** captionLabel = nullptr) {
        auto* cap = new QLabel(caption, panTotais);
        auto* value = new TLabel(QString::fromLatin1(name), panTotais);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(90);
        row->addWidget(cap);
        row->addWidget(value);
        row->addSpacing(16);
        if (captionLabel) *captionLabel = cap;
        return value;
    };
    lblTotLicenca = figure("lblTotLicenca", QStringLiteral("Licença de uso:"), &lblCapLicenca_);
    lblTotServicos = figure("lblTotServicos", QStringLiteral("Serviços:"));
    lblTotUnico = figure("lblTotUnico", QStringLiteral("Valor único:"));
    lblTotMensal = figure("lblTotMensal", QStringLiteral("Mensal:"), &lblCapMensal_);
    lblTotParcelas = figure("lblTotParcelas", QStringLiteral("Total das parcelas:"));
    row->addStretch(1);
    page->layout()->addWidget(panTotais);
}

void TotalsArea::load(const ProposalKey& key) {
    if (!shown() || key.nr.isEmpty()) return clear();
    const Packet totals = host_.net().getPacket(QStringLiteral("GetTotaisProposta"), {key.nr, key.ver});
    if (totals.isEmpty()) return clear();
    QList<double> figures;
    for (const char* f : kFigures) figures << totals.value(0, QString::fromLatin1(f)).toDouble();
    const ClientTable& p = host_.proposal();
    const QString contract =
        p.active() && !p.isEmpty() ? p[QStringLiteral("IDTIPOPROPFAS")].asString().trimmed() : QString();
    show(figures, contract);
}

void TotalsArea::show(const QList<double>& figures, const QString& contract) {
    const bool rental = contract == QLatin1String("L"), servicesOnly = contract == QLatin1String("S");
    lblCapMensal_->setToolTip(rental ? QStringLiteral("Locação mensal") : QStringLiteral("Manutenção mensal"));
    TLabel* const labels[] = {lblTotLicenca, lblTotServicos, lblTotUnico, lblTotMensal, lblTotParcelas};
    for (int i = 0; i < int(std::size(labels)); ++i) labels[i]->setText(formatMoney(figures.value(i)));
    lblCapLicenca_->setVisible(!rental && !servicesOnly);
    lblTotLicenca->setVisible(!rental && !servicesOnly);
    lblCapMensal_->setVisible(!servicesOnly);
    lblTotMensal->setVisible(!servicesOnly);
    panTotais->setVisible(true);
}

void TotalsArea::clear() {
    if (!panTotais) return;
    for (TLabel* l : {lblTotLicenca, lblTotServicos, lblTotUnico, lblTotMensal, lblTotParcelas}) l->setText(QString());
    panTotais->setVisible(false);
}

void TotalsArea::proposalChanged() {
    if (shown()) load(host_.key());
}

}  // namespace cot
