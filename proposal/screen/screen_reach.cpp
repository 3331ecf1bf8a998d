// What the dialogs and the approval reach of the screen (ProposalReach), each answered by
// the area that owns it.
#include <utility>

#include "data/client_table.h"
#include "dialogs/filter_reload.h"
#include "proposal/header/lookup_query.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

namespace cot {

namespace {

// Puts the grid's cursor on `field` without running the checks of the column being left.
void selectColumn(const TfrmPropostaComercial& screen, TDBGrid* grid, const QString& field) {
    const auto exit = std::exchange(grid->onColExit, nullptr);
    if (!screen.hasFocus(grid) && grid->canFocus()) grid->setFocus();
    grid->setSelectedField(field);
    grid->onColExit = exit;
}

}  // namespace

bool TfrmPropostaComercial::typing() const {
    if (cdsProposta->isEditing()) return true;
    for (const auto& area : areas_)
        for (const ClientTable* t : area->tables())
            if (t->isEditing()) return true;
    return false;
}

ListFilter& TfrmPropostaComercial::listFilter() {
    if (!listFilter_) {
        ownFilter_ = std::make_unique<ListFilter>();
        listFilter_ = ownFilter_.get();
    }
    return *listFilter_;
}

void TfrmPropostaComercial::shareListFilter(ListFilter& filter) {
    // The criteria carry over to this screen; a search belonged to the screen before.
    filter.search = listFilter().search;
    listFilter_ = &filter;
    ownFilter_.reset();
}

bool TfrmPropostaComercial::listsWholeBranch() { return wholeBranch_; }

// ----- header

bool TfrmPropostaComercial::isProposta() const { return (*headerArea_).isProposta(); }

void TfrmPropostaComercial::focusReadjustmentMonth() {
    HeaderController& header = (*headerArea_);
    header.showFormPage();
    HeaderController::focus(header.readjustment().dbcMesReaj);
}

void TfrmPropostaComercial::focusResponsible() {
    HeaderController& header = (*headerArea_);
    header.showFormPage();
    HeaderController::focus(header.dbeCdOperResp);
}

bool TfrmPropostaComercial::operatorRegistered(const QString& code) {
    TADOIBQuery& lookup = (*headerArea_).qryPesqOperResp;
    runLookup(lookup, "P_CDOPERADOR", Consiste::Ajusta(code, 12), "P_TCDOPERADOR", false);
    return !lookup.isEmpty();
}

// ----- product lines

ClientTable& TfrmPropostaComercial::productLines() const { return *(*linesArea_).cdsLinProd; }
ClientTable& TfrmPropostaComercial::lineSystems() const { return *(*systemsArea_).cdsSistLinhaProd; }
ClientTable& TfrmPropostaComercial::lineSchedule() const { return *(*lineScheduleArea_).cdsVenc_Valor; }
void TfrmPropostaComercial::loadLineSystems() { (*systemsArea_).loadForCurrentLine(); }
void TfrmPropostaComercial::loadLineSchedule() { (*lineScheduleArea_).loadForCurrentLine(); }
QString TfrmPropostaComercial::lineSystemCodes() const { return (*linesArea_).systemCodes(); }

bool TfrmPropostaComercial::contractLines() const {
    const ProductLineArea& lines = (*linesArea_);
    return lines.licence() || lines.rental();
}

bool TfrmPropostaComercial::accessPointLine() const { return (*linesArea_).rbtTpPtoAcesso->isChecked(); }

void TfrmPropostaComercial::focusLineCode() {
    ProductLineArea& lines = (*linesArea_);
    if (lines.formShown()) {
        if (lines.dbeCdLinProd->canFocus()) lines.dbeCdLinProd->setFocus();
        return;
    }
    selectColumn(*this, lines.dbgLinProd, QStringLiteral("CDLINPPROPINFOR"));
}

void TfrmPropostaComercial::handBackSystems(const Packet& chosen) { (*linesArea_).takeChosenSystems(chosen); }

void TfrmPropostaComercial::systemsGivenUp() {
    ClientTable& systems = lineSystems();
    if (systems.isEditing()) systems.cancel();
    (*linesArea_).systemsGivenUp();
}

// ----- services

ClientTable& TfrmPropostaComercial::services() const { return *(*servicesArea_).cdsServico; }
void TfrmPropostaComercial::showCharging() { (*servicesArea_).showCharging(); }

ClientTable& TfrmPropostaComercial::reloadPackageSchedule() {
    ServiceInstallmentsArea& installments = (*packageArea_);
    installments.reload();
    return *installments.cdsVencServ;
}

void TfrmPropostaComercial::focusServiceColumn(const QString& field) {
    (*servicesArea_).focusColumn(field);
}

void TfrmPropostaComercial::checkMandatoryServices() { (*servicesArea_).Verifica_Servico(); }

// ----- texts

void TfrmPropostaComercial::reloadTexts() { (*textsArea_).reloadShown(); }

}  // namespace cot
