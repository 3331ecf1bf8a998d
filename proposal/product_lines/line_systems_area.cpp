#include "proposal/product_lines/line_systems_area.h"

#include <QVBoxLayout>

#include "base/errors.h"
#include "data/client_table.h"
#include "dialogs/systems/systems_dialog.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/area/area_layout.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "services/session.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_grid.h"

namespace cot {

LineSystemsArea::LineSystemsArea(AreaHost& host, ProductLineArea& lines, ProposalReach& dialogs)
    : ProposalArea(host), lines_(lines), dialogs_(dialogs) {
    lines_.join(*this);
    cdsSistLinhaProd = area_support::table(&host_.dialogParent(), "cdsSistLinhaProd");
    product_line_tables::systemOfLineFields(*cdsSistLinhaProd);
    dtsSistLinhaProd = area_support::source(&host_.dialogParent(), "dtsSistLinhaProd", cdsSistLinhaProd);
    save_ = std::make_unique<ChildTableSave>(host_.net(), *cdsSistLinhaProd, QStringLiteral("SetSistema"));
    save_->afterSend = [] { Session::instance().markTablesChanged({QStringLiteral("SISTPROPLINP")}); };
    host_.registerSave(save_.get());
    ClientTable& t = *cdsSistLinhaProd;
    t.beforeInsert = [this](ClientTable&) { cdsSistLinhaProdBeforeInsert(); };
    t.afterInsert = [this](ClientTable&) {
        if (dbgSistemas && dbgSistemas->canFocus()) dbgSistemas->setSelectedField(QStringLiteral("SGSISTEMA"));
    };
    t.beforePost = [this](ClientTable&) { cdsSistLinhaProdBeforePost(); };
    t.afterPost = [this](ClientTable&) {
        if (!bulk_) save_->send();
    };
    t.afterDelete = [this](ClientTable&) { save_->send(); };
    t.afterCancel = [](ClientTable& table) { table.cancelUpdates(); };
}

LineSystemsArea::~LineSystemsArea() {
    ClientTable& t = *cdsSistLinhaProd;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforePost, &t.afterPost, &t.afterDelete,
                                    &t.afterCancel})
        *e = nullptr;
}

void LineSystemsArea::build() {
    cdsSistLinhaProd->createDataSet();
    // The system's initials are picked in the systems dialog, never typed.
    (*cdsSistLinhaProd)["SGSISTEMA"].tag = 1;
    QVBoxLayout* side = lines_.sideColumn();
    auto* group = new TGroupBox(QStringLiteral("grbSistemas"), side->parentWidget(), QStringLiteral("Sistemas"));
    layout::column(group, 2);
    dbgSistemas = layout::grid("dbgSistemas", group, dtsSistLinhaProd, true);
    dbgSistemas->addColumn(QStringLiteral("SGSISTEMA"))->buttonStyle = ColumnButtonStyle::Ellipsis;
    dbgSistemas->addColumn(QStringLiteral("NMSISTEMA"));
    dbgSistemas->addColumn(QStringLiteral("IDTECNOSIST"));
    side->addWidget(group, 1);
}

void LineSystemsArea::route() {
    dbgSistemas->onEnter = [this] { host_.setActiveTable(cdsSistLinhaProd); };
    dbgSistemas->onExit = [this] { host_.setActiveTable(&lines_.lineTable()); };
    dbgSistemas->onEditButtonClick = [this] { dbgSistemasEditButtonClick(); };
}

void LineSystemsArea::loadForCurrentLine() {
    const ClientTable& lines = lines_.lineTable();
    const QString line = lines.active() && !lines.isEmpty() ? lines["CDLINPPROP"].asString() : QString();
    cdsSistLinhaProd->setData(host_.net().getPacket(QStringLiteral("GetSistLinhaProd"), {host_.key().nr, host_.key().ver, line}));
}

bool LineSystemsArea::gridFocused() const { return host_.hasFocus(dbgSistemas); }

void LineSystemsArea::enable(MaintenanceEnabling& e) {
    // Systems are added through the dialog of the grid's edit button; here they are removed.
    const bool rows = cdsSistLinhaProd->active() && !cdsSistLinhaProd->isEmpty();
    e.incluir = e.alterar = false;
    e.excluir = rows && !cdsSistLinhaProd->isEditing();
    e.procurar = rows;
    e.cancelar = e.confirmar = false;
}

void LineSystemsArea::dbgSistemasEditButtonClick() {
    if (lines_.lineTable().isEmpty()) Consiste::MensErro(host_.messages().Msg(QStringLiteral("LinhaProd_Deve")));
    const TColumn* column = dbgSistemas->selectedColumn();
    if (!column || column->fieldName.compare(QLatin1String("SGSISTEMA"), Qt::CaseInsensitive) != 0) return;
    Cli_cot05005::CriaSistemasLinha(dialogs_, false);
    loadForCurrentLine();
}

void LineSystemsArea::cdsSistLinhaProdBeforeInsert() {
    // An access-point line has a single system.
    if (lines_.accessPointShown() && !cdsSistLinhaProd->isEmpty()) throw Abort();
}

void LineSystemsArea::cdsSistLinhaProdBeforePost() {
    ClientTable& t = *cdsSistLinhaProd;
    if (t["SGSISTEMA"].asString().trimmed().isEmpty()) {
        dbgSistemas->setSelectedField(QStringLiteral("SGSISTEMA"));
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("SISTINF")));
    }
    if (t.isEditing()) {
        t["NRPROPOSFAS"].setAsString(host_.key().nr);
        t["NRVERPROPFAS"].setAsString(host_.key().ver);
        if (!t["CDLINPPROP"].asString().isEmpty() && bulk_) return;  // rows of insertChosen carry their line
        t["CDLINPPROP"].setAsString(lines_.lineTable()["CDLINPPROP"].asString());
    }
}

void LineSystemsArea::insertChosen(const QString& line, const Packet& chosen) {
    ClientTable& t = *cdsSistLinhaProd;
    const auto column = [&](const char* name) { return chosen.indexOf(QString::fromLatin1(name)); };
    bulk_ = true;
    try {
        for (const QVariantList& row : chosen.rows) {
            t.append();
            t["CDLINPPROP"].setAsString(line);
            for (const char* name : {"SGSISTEMA", "NMPROCOMERCI", "NMSISTEMA", "CDSISTEMA", "IDTECNOSIST"})
                if (const int c = column(name); c >= 0) t[QString::fromLatin1(name)].setValue(row.value(c));
            t.post();
        }
    } catch (...) {
        bulk_ = false;
        if (t.isEditing()) t.cancel();
        throw;
    }
    bulk_ = false;
    // One change log, one transaction: the line has all its systems or the rows stay pending.
    save_->send();
}


void LineSystemsArea::verify(QStringList& kept) {
    if (gridFocused() && area_support::reloadable(host_, {cdsSistLinhaProd}, name(), kept))
        loadForCurrentLine();
}

}  // namespace cot
