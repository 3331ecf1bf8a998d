#include "proposal/product_lines/line_installments_area.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/area/distinct_dates.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/number_edit.h"
#include "base/errors.h"

namespace cot {

using namespace layout;

LineInstallmentsArea::LineInstallmentsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsVenc_Valor = area_support::table(&s_, "cdsVenc_Valor");
    cdsVenc = area_support::table(&s_, "cdsVenc");
    cdsMinDtVenc = area_support::table(&s_, "cdsMinDtVenc");
    cdsAux = area_support::table(&s_, "cdsAux");
    product_line_tables::installmentFields(*cdsVenc_Valor);
    product_line_tables::installmentFields(*cdsAux);
    product_line_tables::dueDateFields(*cdsVenc);
    product_line_tables::dueDateFields(*cdsMinDtVenc);
    dtsVenc_Valor = area_support::source(&s_, "dtsVenc_Valor", cdsVenc_Valor);
}

QList<QWidget*> LineInstallmentsArea::controls() const {
    return {dbgVencimento, nedParcelas, nedVrTotal, depDataVenc, sbtGerarParcelas};
}

void LineInstallmentsArea::build() {
    cdsVenc_Valor->createDataSet();
    QVBoxLayout* side = s_.area<ProductLineArea>().sideColumn();
    Panel2 = new TPanel(QStringLiteral("Panel2"), side->parentWidget());
    column(Panel2, 0);
    side->addWidget(Panel2, 1);
    grbVencimentos = new TGroupBox(QStringLiteral("grbVencimentos"), Panel2, QStringLiteral("Vencimentos"));
    Panel2->layout()->addWidget(grbVencimentos);
    auto* v = column(grbVencimentos, 2);
    dbgVencimento = grid("dbgVencimento", grbVencimentos, dtsVenc_Valor, false);
    dbgVencimento->addColumn(QStringLiteral("DTVELUSOPEDP"));
    dbgVencimento->addColumn(QStringLiteral("VRVELUSOPEDP"))->alignment = Qt::AlignRight;
    auto* gen = new QGridLayout;
    nedParcelas = new TNumberEdit(QStringLiteral("nedParcelas"), grbVencimentos);
    nedParcelas->setDecimals(0);
    nedVrTotal = new TNumberEdit(QStringLiteral("nedVrTotal"), grbVencimentos);
    nedVrTotal->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotal->setReadOnly(true);
    depDataVenc = new TDateEditPlus(QStringLiteral("depDataVenc"), grbVencimentos);
    sbtGerarParcelas = new TSpeedButton(QStringLiteral("sbtGerarParcelas"), grbVencimentos, QStringLiteral("Gerar"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcelas);
    labelled(gen, 0, 2, QStringLiteral("Valor Total"), nedVrTotal);
    labelled(gen, 1, 0, QStringLiteral("A partir de"), depDataVenc);
    gen->addWidget(sbtGerarParcelas, 1, 3);
    v->addLayout(gen);
}

void LineInstallmentsArea::route() {
    for (Control* c : {static_cast<Control*>(Panel2), static_cast<Control*>(grbVencimentos),
                       static_cast<Control*>(dbgVencimento)})
        c->onEnter = [this] { s_.setActiveTable(cdsVenc_Valor); };
}

void LineInstallmentsArea::load(const ProposalKey& key) {
    const ProductLineArea& lines = s_.area<ProductLineArea>();
    if (!lines.formShown() || lines.cdsLinProd->isEmpty()) return;
    const ClientDataSet& line = *lines.cdsLinProd;
    cdsVenc_Valor->setData(
        s_.net().getPacket(QStringLiteral("GetVenc_Valor"), {key.nr, key.ver, line["CDLINPPROP"].asString(), 1}));
    const int installments = cdsVenc_Valor->recordCount();
    nedParcelas->setValue(installments);
    cdsVenc_Valor->first();
    depDataVenc->setDate(installments > 0 ? (*cdsVenc_Valor)["DTVELUSOPEDP"].asDateTime().date() : QDate());
    // Schedule total: licence total, plus interest beyond three installments.
    const long double l =
        static_cast<long double>(line["VRLICENCUSOPROP"].asFloat()) - line["VRDESLICUSOPROP"].asFloat();
    const long double lq = l * line["QTMINIMAFATPROP"].asFloat();
    const ClientDataSet& perc = s_.paramPerc();
    const long double j = perc.active() && !perc.isEmpty() ? perc["VRTXJUROSLICUSO"].asFloat() : 0;
    nedVrTotal->setValue(static_cast<double>(installments <= 3 ? lq : lq + lq * j / 100));
}

bool LineInstallmentsArea::cancel() {
    if (!s_.hasFocus(dbgVencimento)) return false;
    const int answer =
        s_.msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo);
    // Answered No, the edits stay as they are and nothing is reloaded over them.
    if (answer != mrYes) throw Abort();
    if (s_.mnuConfirmar->enabled()) {
        if (cdsVenc_Valor->isEditing()) cdsVenc_Valor->cancel();
        cdsVenc_Valor->cancelUpdates();
    }
    return true;
}

void LineInstallmentsArea::beforeConfirm() {
    confirmDistinctDates(s_, *cdsVenc_Valor, *cdsAux, QStringLiteral("DTVELUSOPEDP"), dbgVencimento);
}

}  // namespace cot
