#include "proposal/observation/observation_area.h"

#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "data/client_table.h"
#include "proposal/area/area_layout.h"
#include "proposal/area/area_support.h"
#include "proposal/texts/text_tables.h"
#include "rpc/net_connection.h"
#include "ui/format_panel.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

namespace cot {

namespace {

// Whether a stored rich text shows nothing but blanks.
bool blankRichText(const QString& stored) {
    return QTextDocumentFragment::fromHtml(stored).toPlainText().trimmed().isEmpty();
}

}  // namespace

ObservationArea::ObservationArea(AreaHost& host) : ProposalArea(host) {
    cdsObs = area_support::table(&host_.dialogParent(), "cdsObs");
    text_tables::observationFields(*cdsObs);
    dtsObs = area_support::source(&host_.dialogParent(), "dtsObs", cdsObs);
    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsObs, QStringLiteral("SetObs"), [this](const Delta& d) {
        // The flag follows what the editor shows: formatting alone is an empty observation.
        const bool empty = cdsObs->isEmpty() || blankRichText((*cdsObs)["TXOBSPROPFAS"].asString());
        return QVariantList{QVariant::fromValue(d), empty ? QStringLiteral("1") : QStringLiteral("0")};
    });
    save_->attach();
    host_.registerSave(save_.get());
    cdsObs->afterInsert = [this](ClientTable&) { cdsObsAfterInsert(); };
}

ObservationArea::~ObservationArea() {
    cdsObs->afterInsert = nullptr;
    cdsObs->afterPost = nullptr;
    cdsObs->afterDelete = nullptr;
}

bool ObservationArea::shown() const { return host_.pages().pgcPadrao->activePage() == host_.pages().tshObs; }

void ObservationArea::build() {
    cdsObs->createDataSet();
    TTabSheet* page = host_.pages().tshObs;
    auto* obs = layout::column(page);
    fpnObs = new TFormatPanel(QStringLiteral("fpnObs"), page);
    dbrObs = new TDBRichEdit(QStringLiteral("dbrObs"), page);
    dbrObs->setDataSource(dtsObs);
    dbrObs->setDataField(QStringLiteral("TXOBSPROPFAS"));
    obs->addWidget(fpnObs);
    obs->addWidget(dbrObs, 1);
}

void ObservationArea::route() {
    dbrObs->onEnter = [this] {
        host_.setActiveTable(cdsObs);
        fpnObs->setEditor(dbrObs);
    };
}

void ObservationArea::load(const ProposalKey& key) {
    if (shown()) cdsObs->setData(host_.net().getPacket(QStringLiteral("GetObs"), {key.nr, key.ver}));
}

void ObservationArea::pageShown() {
    // The editor is disabled until the observation is edited, so it cannot take the focus
    // that would point the buttons at it: the page does.
    if (shown()) host_.setActiveTable(cdsObs);
}

void ObservationArea::enable(MaintenanceEnabling& e) {
    // One observation per proposal: Alterar edits it, or starts it when there is none.
    const bool proposal = !host_.proposal().isEmpty();
    if (cdsObs->isEditing()) {
        e.incluir = e.alterar = e.excluir = e.procurar = false;
        e.cancelar = e.confirmar = true;
    } else {
        e.incluir = false;
        e.alterar = proposal;
        e.excluir = proposal && !cdsObs->isEmpty();
        e.procurar = false;
        e.cancelar = e.confirmar = false;
    }
}

void ObservationArea::updateEditors() {
    const bool on = cdsObs->isEditing();
    dbrObs->setEnabled(on);
    fpnObs->setEnabled(on);
    if (on && dbrObs->canFocus()) fpnObs->setEditor(dbrObs);
}

void ObservationArea::cdsObsAfterInsert() {
    (*cdsObs)["NRPROPOSFAS"].setAsString(host_.key().nr);
    (*cdsObs)["NRVERPROPFAS"].setAsString(host_.key().ver);
}

// The page shows one text: Verify reads it again unless it is being written.
void ObservationArea::verify(QStringList& kept) {
    if (shown() && area_support::reloadable(host_, {cdsObs}, name(), kept)) load(host_.key());
}

}  // namespace cot
