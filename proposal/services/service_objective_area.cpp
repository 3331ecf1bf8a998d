#include "proposal/services/service_objective_area.h"

#include <QVBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/services/service_tables.h"
#include "ui/containers.h"
#include "ui/format_panel.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

using namespace layout;

ServiceObjectiveArea::ServiceObjectiveArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsObjServico = area_support::table(&s_, "cdsObjServico");
    service_tables::objectiveFields(*cdsObjServico);
    dtsObjServico = area_support::source(&s_, "dtsObjServico", cdsObjServico);
}

QList<QWidget*> ServiceObjectiveArea::controls() const { return {fpnObjServico, dbrObjServico}; }

void ServiceObjectiveArea::build() {
    TTabSheet* page = s_.pages().tshObjServico;
    column(page, 0);
    panObjServico = new TPanel(QStringLiteral("panObjServico"), page);
    page->layout()->addWidget(panObjServico);
    auto* objective = column(panObjServico, 0);
    fpnObjServico = new TFormatPanel(QStringLiteral("fpnObjServico"), panObjServico);
    dbrObjServico = new TDBRichEdit(QStringLiteral("dbrObjServico"), panObjServico);
    dbrObjServico->setDataSource(dtsObjServico);
    dbrObjServico->setDataField(QStringLiteral("TXOBJETPROPFAS"));
    objective->addWidget(fpnObjServico);
    objective->addWidget(dbrObjServico, 1);
}

void ServiceObjectiveArea::route() {
    panObjServico->onEnter = [this] { s_.setActiveTable(cdsObjServico); };
    dbrObjServico->onEnter = [this] {
        s_.setActiveTable(cdsObjServico);
        fpnObjServico->setEditor(dbrObjServico);
    };
}

void ServiceObjectiveArea::load(const ProposalKey& key) {
    // Only a service-only proposal keeps the objective tab shown.
    const ProposalPages& p = s_.pages();
    if (s_.servicoSomente() && p.pgcServicoGeral->activePage() == p.tshObjServico)
        cdsObjServico->setData(s_.net().getPacket(QStringLiteral("GetObjServico"), {key.nr, key.ver}));
}

void ServiceObjectiveArea::pageShown() {
    const ProposalPages& p = s_.pages();
    if (s_.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshServico &&
        p.pgcServicoGeral->activePage() == p.tshObjServico)
        s_.setActiveTable(cdsObjServico);
}

}  // namespace cot
