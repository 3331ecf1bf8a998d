// What the dialogs and the approval reach of the screen (ProposalReach), each answered by
// the area that owns it.
#include "data/client_table.h"
#include "dialogs/filter_reload.h"
#include "proposal/area/proposal_model.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "ui/buttons.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

namespace cot {

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

void TfrmPropostaComercial::focusReadjustmentMonth() { (*headerArea_).focusReadjustmentMonth(); }
void TfrmPropostaComercial::focusResponsible() { (*headerArea_).focusResponsible(); }
bool TfrmPropostaComercial::operatorRegistered(const QString& code) { return (*headerArea_).operatorRegistered(code); }

// ----- product lines

ClientTable& TfrmPropostaComercial::productLines() const { return (*linesArea_).lineTable(); }
ClientTable& TfrmPropostaComercial::lineSystems() const { return *(*systemsArea_).cdsSistLinhaProd; }
ClientTable& TfrmPropostaComercial::lineSchedule() const { return *(*lineScheduleArea_).cdsVenc_Valor; }
void TfrmPropostaComercial::loadLineSystems() { (*systemsArea_).loadForCurrentLine(); }
void TfrmPropostaComercial::loadLineSchedule() { (*lineScheduleArea_).loadForCurrentLine(); }
QString TfrmPropostaComercial::lineSystemCodes() const { return (*linesArea_).systemCodes(); }

bool TfrmPropostaComercial::contractLines() const { return model_->licence() || model_->rental(); }

bool TfrmPropostaComercial::accessPointLine() const { return (*linesArea_).accessPointShown(); }

void TfrmPropostaComercial::focusLineCode() { (*linesArea_).focusLineCode(); }

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
