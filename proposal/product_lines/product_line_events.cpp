// Table events of the product lines: insert, post and its follow-up, cancel, delete and
// the load of what belongs to the current line.
#include <QScopeGuard>
#include <utility>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_model.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/product_lines/line_systems_area.h"
#include "proposal/product_lines/product_line_area.h"
#include "rpc/net_connection.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

namespace cot {

void ProductLineArea::cdsLinProdBeforeInsertOrEdit() {
    // Inserting or editing from the grid goes to the form.
    const ProposalPages& p = host_.pages();
    const bool formUsed = p.pgcPadrao->activePage() == p.tshProposta && p.pgcDados->activePage() == p.tshDados &&
                          p.pgcDadosCont->activePage() == p.tshFormulario && !systems().gridFocused();
    if (host_.hasFocus(dbgLinProd) || formUsed) {
        if (p.pgcDadosCont->activePage() != p.tshFormulario) p.pgcDadosCont->setActivePage(p.tshFormulario);
    }
}

void ProductLineArea::cdsLinProdAfterInsert() {
    // Nothing of an earlier line's post may carry over to this one.
    followUp_.reset();
    if (cdsSistema->active()) cdsSistema->emptyDataSet();
    // A new line takes the kind shown, in the contract's codes.
    if (licence() || rental()) f("IDTIPLINPP").setAsString(lineType(rbtTpPtoAcesso->isChecked()));
    // The grace month is the proposal's until changed.
    f("DTCALUSLINPPAUX").setValue(host_.proposal()["DTPROPOSFAS"].value());
    if (dbeCdLinProd->canFocus()) dbeCdLinProd->setFocus();
    // The server issues the new line's key.
    f("CDLINPPROP").setAsString(host_.net().callChecked(QStringLiteral("PrxLinhaProd")).toString());
    // The line being posted is new.
    newLine_ = true;
}

void ProductLineArea::saveLines() {
    // A refused line leaves the form read-only, and the field that had the focus gives it
    // to the next control that takes it, the schedule's, whose entry would point the
    // buttons away from the refused line: the focus stays on the line.
    auto keepFocus = qScopeGuard([this] {
        TRadioButton* const kind = rbtTpProduto->isChecked() ? rbtTpProduto : rbtTpPtoAcesso;
        if (formShown() && kind->canFocus()) kind->setFocus();
        else if (dbgLinProd->canFocus()) dbgLinProd->setFocus();
    });
    save_->send();
    keepFocus.dismiss();
}

void ProductLineArea::cdsLinProdAfterPost() {
    newLine_ = false;
    // The follow-up runs once the server holds the line (the save's afterSend), also when
    // a refused line is sent again by Confirmar.
    if (save_->pending()) saveLines();
    else runFollowUp();
}

void ProductLineArea::runFollowUp() {
    if (!followUp_ || cdsLinProd->isEmpty() || f("CDLINPPROP").asString() != followUp_->line) return;
    const FollowUp todo = std::move(*followUp_);
    followUp_.reset();
    LineInstallmentsArea& schedule = installments();
    // The schedule shown must be this line's before it is changed.
    if (!host_.saveOf(schedule.cdsVenc_Valor)->pending()) schedule.loadForCurrentLine();
    // A new line gets its first installment; a changed total re-splits the schedule.
    if (todo.firstInstallment) schedule.addFirstInstallment();
    else if (todo.resplit) schedule.spread(false);
    // The schedule is sent once it adds up.
    schedule.confirmSchedule();
    // The systems go under the key of the line that was inserted, all in one change log.
    if (!todo.systems.rows.isEmpty()) {
        systems().loadForCurrentLine();
        systems().insertChosen(todo.line, todo.systems);
        systems().loadForCurrentLine();
    }
}

void ProductLineArea::cdsLinProdAfterCancel() {
    cdsLinProd->cancelUpdates();
    newLine_ = false;
    followUp_.reset();
    if (cdsSistema->active()) cdsSistema->emptyDataSet();
    Controla_Formulario();
}

void ProductLineArea::cdsLinProdAfterDelete() {
    followUp_.reset();
    saveLines();
}

void ProductLineArea::cdsLinProdAfterScroll() {
    updateEditors();
    if (!formShown()) return;
    // What belongs to the line now current; with no line, nothing: the panel
    // must not keep the schedule and total of another proposal's line.
    installments().loadForCurrentLine();
    systems().loadForCurrentLine();
    if (!cdsLinProd->isEditing()) showLineRadios();
    // The form's colours follow what applies to the line.
    Controla_Formulario();
}

void ProductLineArea::showLineRadios() {
    boTestaLin = false;
    syncingRadios_ = true;
    const auto check = [](TRadioButton* yes, TRadioButton* no, const QString& code, const char* a, const char* b) {
        if (code == QLatin1String(a)) yes->setChecked(true);
        else if (code == QLatin1String(b)) no->setChecked(true);
    };
    if (!cdsLinProd->isEmpty()) {
        const QString type = f("IDTIPLINPP").asString();
        if (type == QLatin1String("M") || type == QLatin1String("L")) rbtTpProduto->setChecked(true);
        else if (type == QLatin1String("P") || type == QLatin1String("A")) rbtTpPtoAcesso->setChecked(true);
        check(rbtMatrizModo, rbtFilialMode, f("IDMPROCLINPP").asString(), "M", "F");
        check(rbtMatrizLocal, rbtFilialLocal, f("IDLPROCLINPP").asString(), "M", "F");
        previousType_ = type;
    }
    syncingRadios_ = false;
    boTestaLin = true;
    rbtFilialLocal->setEnabled(grbLocal->isEnabled() && !rbtMatrizModo->isChecked());
}

void ProductLineArea::showContract() {
    const ClientTable& p = host_.proposal();
    if (!p.active() || p.isEmpty() || p.isEditing()) return;
    boTesta = false;
    checkContract(p["IDTIPOPROPFAS"].asString());
    boTesta = true;
}

void ProductLineArea::checkContract(const QString& code) {
    const bool was = std::exchange(syncingRadios_, true);
    host_.model().mark(code);
    syncingRadios_ = was;
}

}  // namespace cot
