#include "proposal/product_lines/line_systems_area.h"

#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "ui/containers.h"
#include "ui/db_grid.h"

namespace cot {

LineSystemsArea::LineSystemsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsSistLinhaProd = area_support::table(&s_, "cdsSistLinhaProd");
    cdsValidaSistProd = area_support::table(&s_, "cdsValidaSistProd");
    product_line_tables::systemOfLineFields(*cdsSistLinhaProd);
    product_line_tables::validaSistProdFields(*cdsValidaSistProd);
    dtsSistLinhaProd = area_support::source(&s_, "dtsSistLinhaProd", cdsSistLinhaProd);
}

QList<QWidget*> LineSystemsArea::controls() const { return {dbgSistemas}; }

void LineSystemsArea::build() {
    cdsSistLinhaProd->createDataSet();
    // The system's initials are picked in the systems dialog, never typed.
    (*cdsSistLinhaProd)["SGSISTEMA"].tag = 1;
    QVBoxLayout* side = s_.area<ProductLineArea>().sideColumn();
    grbSistemas = new TGroupBox(QStringLiteral("grbSistemas"), side->parentWidget(), QStringLiteral("Sistemas"));
    layout::column(grbSistemas, 2);
    dbgSistemas = layout::grid("dbgSistemas", grbSistemas, dtsSistLinhaProd, true);
    dbgSistemas->addColumn(QStringLiteral("SGSISTEMA"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    dbgSistemas->addColumn(QStringLiteral("NMSISTEMA"));
    dbgSistemas->addColumn(QStringLiteral("IDTECNOSIST"));
    side->addWidget(grbSistemas, 1);
}

void LineSystemsArea::route() {
    dbgSistemas->onEnter = [this] { s_.setActiveTable(cdsSistLinhaProd); };
}

void LineSystemsArea::load(const ProposalKey& key) {
    const ProductLineArea& lines = s_.area<ProductLineArea>();
    if (!lines.formShown() || lines.cdsLinProd->isEmpty()) return;
    const QString line = (*lines.cdsLinProd)["CDLINPPROP"].asString();
    cdsSistLinhaProd->setData(s_.net().getPacket(QStringLiteral("GetSistLinhaProd"), {key.nr, key.ver, line}));
}

}  // namespace cot
