// Checks of a schedule's installments, one by one and as a whole, and the sending of its
// change log.
#include <QScopeGuard>

#include "base/errors.h"
#include "data/client_table.h"
#include "data/format_br.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/schedule/installment_schedule_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "services/messages.h"
#include "ui/db_grid.h"

namespace cot {

void InstallmentScheduleArea::focusColumn(const QString& field) {
    if (!host_.hasFocus(grid_) && grid_->canFocus()) grid_->setFocus();
    grid_->setSelectedField(field);
}

void InstallmentScheduleArea::fail(const QString& key, const QString& field) {
    focusColumn(field);
    Consiste::MensErro(host_.messages().Msg(key));
    throw Abort();  // MensErro already ended the operation; this keeps the compiler sure of it
}

void InstallmentScheduleArea::requireOwner() {
    if (!cfg_.noOwnerKey.isEmpty() && !cfg_.hasOwner()) Consiste::MensErro(host_.messages().Msg(cfg_.noOwnerKey));
}

void InstallmentScheduleArea::afterInsert() {
    // The generator inserts many rows at once; the grid is left where it is.
    if (!generating_ && !table_->controlsDisabled()) grid_->setSelectedField(cfg_.dueField);
}

void InstallmentScheduleArea::beforePost() {
    ClientTable& t = *table_;
    requireOwner();
    // The due date is given and is no day the owner already has.
    dueDateUsable(true);
    // The row carries its owner's keys.
    cfg_.stampOwner(t);
    // No date before the proposal's, a date and a value (zero is one).
    const schedule_rows::RowProblem problem =
        schedule_rows::rowProblem(t, cfg_.dueField, cfg_.valueField, host_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime());
    if (!problem.key.isEmpty()) fail(problem.key, problem.field);
}

bool InstallmentScheduleArea::dueDateUsable(bool report) {
    const Field& due = (*table_)[cfg_.dueField];
    if (due.isNull()) {
        if (report) fail(QStringLiteral("DT_INF"), cfg_.dueField);
        return false;
    }
    if (schedule_rows::sameDayAsStored(*table_, cfg_.dueField)) return true;
    if (dayTaken(due.asDateTime().date())) fail(QStringLiteral("DTJCAD"), cfg_.dueField);
    return true;
}

bool InstallmentScheduleArea::dayTaken(const QDate& day) {
    // Stored installments the pending change log deletes no longer count: a regeneration
    // replaces the whole schedule in one delta, its deletes first.
    if (!schedule_rows::storedMayStandOn(*table_, cfg_.dueField, day)) return false;
    takenDay_->setData(host_.net().getPacket(cfg_.takenDayMethod, cfg_.takenDayArguments(schedule_rows::midnight(day))));
    return !takenDay_->isEmpty();
}

void InstallmentScheduleArea::gridColExit() {
    const Field* leaving = grid_->selectedField();
    if (table_->isEditing() && leaving && leaving->fieldName() == cfg_.dueField) dueDateUsable(false);
}

bool InstallmentScheduleArea::addsUp(bool report) {
    ClientTable& t = *table_;
    if (!t.active() || t.rowCount() == 0) return true;
    const std::vector<double> v = values();
    const long double base = baseTotal();
    if (scheduleAddsUp(v, base, rate())) return true;
    const long double expected = scheduleSum(base, rate(), int(v.size()));
    if (v.size() == 1) {
        // A single installment simply is the total.
        const bool editing = t.isEditing();
        if (!editing) {
            t.first();
            t.edit();
        }
        t[cfg_.valueField].setAsFloat(static_cast<double>(expected));
        if (!editing) t.post();
        return true;
    }
    if (report) {
        if (!t.isEditing()) t.edit();
        focusColumn(cfg_.valueField);
        Consiste::MensErro(host_.messages().Msg(cfg_.totalMismatchKey).replace(QStringLiteral("%f"), formatAmount(expected)));
    }
    return false;
}

void InstallmentScheduleArea::confirmSchedule() {
    ClientTable& t = *table_;
    if (!t.active()) return;
    // The buttons follow what happened, sent or refused.
    const auto settle = qScopeGuard([this] { host_.stateChanged(); });
    // A row left being edited is part of the schedule being confirmed.
    if (t.isEditing()) t.post();
    if (save_->pending()) {
        if (!addsUp(true)) throw Abort();
        // A refusal is shown and the change log kept for Confirmar to send again.
        save_->send();
    }
    refreshTotal();
}

void InstallmentScheduleArea::afterDelete() {
    if (generating_) return;
    save_->send();
    refreshTotal();
    host_.stateChanged();
}

}  // namespace cot
