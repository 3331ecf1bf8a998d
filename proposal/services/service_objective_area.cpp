#include "proposal/services/service_objective_area.h"

#include <QVBoxLayout>

#include "data/client_table.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_model.h"
#include "proposal/services/service_tables.h"
#include "rpc/net_connection.h"
#include "ui/containers.h"
#include "ui/format_panel.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

using namespace layout;

ServiceObjectiveArea::ServiceObjectiveArea(AreaHost& host) : ProposalArea(host) {
    cdsObjServico = area_support::table(&host_.dialogParent(), "cdsObjServico");
    service_tables::objectiveFields(*cdsObjServico);
    dtsObjServico = area_support::source(&host_.dialogParent(), "dtsObjServico", cdsObjServico);
    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsObjServico, QStringLiteral("SetObjServico"));
    save_->attach();
    host_.registerSave(save_.get());
    cdsObjServico->afterInsert = [this](ClientTable&) { cdsObjServicoAfterInsert(); };
}

ServiceObjectiveArea::~ServiceObjectiveArea() {
    cdsObjServico->afterInsert = nullptr;
    cdsObjServico->afterPost = nullptr;
    cdsObjServico->afterDelete = nullptr;
}

void ServiceObjectiveArea::build() {
    cdsObjServico->createDataSet();
    TTabSheet* page = host_.pages().tshObjServico;
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
    panObjServico->onEnter = [this] { host_.setActiveTable(cdsObjServico); };
    dbrObjServico->onEnter = [this] {
        host_.setActiveTable(cdsObjServico);
        fpnObjServico->setEditor(dbrObjServico);
    };
}

bool ServiceObjectiveArea::shown() const {
    const ProposalPages& p = host_.pages();
    return host_.pages().pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshServico &&
           p.pgcServicoGeral->activePage() == p.tshObjServico;
}

void ServiceObjectiveArea::load(const ProposalKey& key) {
    // Only a service-only proposal keeps the objective tab shown.
    if (host_.model().serviceOnly() && shown())
        cdsObjServico->setData(host_.net().getPacket(QStringLiteral("GetObjServico"), {key.nr, key.ver}));
}

void ServiceObjectiveArea::pageShown() {
    // The editor is disabled until the objective is edited, so it cannot take the focus
    // that would point the buttons at it: the page does.
    if (shown()) host_.setActiveTable(cdsObjServico);
}

void ServiceObjectiveArea::enable(MaintenanceEnabling& e) {
    // One objective per proposal: Alterar edits it, or starts it when there is none.
    const ClientTable& p = host_.proposal();
    const bool proposal = p.active() && !p.isEmpty() && !p.isEditing();
    if (cdsObjServico->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = false;
        e.cancelar = e.confirmar = true;
    } else {
        e.incluir = false;
        e.alterar = proposal && cdsObjServico->active();
        e.excluir = proposal && cdsObjServico->active() && !cdsObjServico->isEmpty();
        e.procurar = false;
        e.cancelar = e.confirmar = false;
    }
}

void ServiceObjectiveArea::updateEditors() {
    const bool on = cdsObjServico->isEditing();
    dbrObjServico->setEnabled(on);
    fpnObjServico->setEnabled(on);
    if (on) fpnObjServico->setEditor(dbrObjServico);
}

void ServiceObjectiveArea::cdsObjServicoAfterInsert() {
    const ProposalKey key = host_.key();
    (*cdsObjServico)["NRPROPOSFAS"].setAsString(key.nr);
    (*cdsObjServico)["NRVERPROPFAS"].setAsString(key.ver);
}

}  // namespace cot
