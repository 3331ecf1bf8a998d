// The generator of a schedule and the spreading of its base total over the installments.
#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/schedule/installment_schedule_area.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "services/messages.h"
#include "ui/date_edit.h"
#include "ui/number_edit.h"

namespace cot {

using schedule_rows::midnight;

std::vector<double> InstallmentScheduleArea::values() const { return schedule_rows::values(*table_, cfg_.valueField); }

void InstallmentScheduleArea::spread(bool equal) {
    ClientTable& t = *table_;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    const int count = t.recordCount();
    if (count == 0) return;
    // The split routines keep whole cents adding up to the cut total, remainder on the first;
    // a schedule of zeros has no shares and is split equally.
    const long double base = baseTotal();
    schedule_rows::assign(t, cfg_.valueField,
                          equal ? equalSplit(base, rate(), count) : proportionalSplit(values(), base, rate()));
    refreshTotal();
}

void InstallmentScheduleArea::dropSchedule() {
    ClientTable& t = *table_;
    // What the screen shows is what the server holds: read only when unsure.
    if (!t.active() || t.isEditing() || t.changeCount() > 0 || !t.isEmpty()) reload();
    if (t.isEmpty()) return;
    schedule_rows::deleteAll(t, generating_);
    save_->send();
    showSummary();
}

bool InstallmentScheduleArea::scheduleAsAsked(int count, const QDate& first) {
    const ClientTable& t = *table_;
    // Against this owner's own schedule as the server holds it, never another's.
    if (!first.isValid() || t.isEditing() || save_->pending() || t.recordCount() != count) return false;
    if (!cfg_.findFirstDate(*firstDates_)) return false;
    if ((*firstDates_)[cfg_.dueField].asDateTime().date() != first) return false;
    return scheduleAddsUp(values(), baseTotal(), rate());
}

void InstallmentScheduleArea::generate() {
    // A count of one or more, for a schedule that may be changed.
    if (count_->text().trimmed().isEmpty() || count_->value() < 1) {
        if (count_->canFocus()) count_->setFocus();
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("INF_PARCELA")));
    }
    const int n = static_cast<int>(count_->value());
    if (!cfg_.noOwnerKey.isEmpty() && !cfg_.schedulable()) Consiste::MensErro(host_.messages().Msg(cfg_.noOwnerKey));
    // A text that is no date is refused here rather than taken for "today".
    const QDate asked = firstDate_->isEmpty() ? QDate() : readTypedDate(firstDate_->text());
    host_.setActiveTable(table_);
    // The first due dates the server holds.
    const QVariantList answer = host_.net()
                                    .callChecked(QStringLiteral("GetMinDtVenc"),
                                                 {host_.key().nr, host_.key().ver, midnight(Clock::current().today())})
                                    .toList();
    firstDates_->setData(answer.value(cfg_.firstDatesAnswer).value<Packet>());
    // The schedule already is what was asked: nothing to do.
    if (scheduleAsAsked(n, asked)) return;
    // The first due date, refused before anything is deleted when the proposal is later.
    const QDateTime created = host_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime();
    const QDate first = asked.isValid() ? asked : schedule_rows::firstDue(created);
    if (created.isValid() && created.date() > first) {
        if (firstDate_->canFocus()) firstDate_->setFocus();
        Consiste::MensErro(host_.messages().Msg(QStringLiteral("DTVENC_PROP")));
    }
    firstDate_->setDate(first);
    // The new installments replace the old ones in the same change log.
    schedule_rows::regenerate(*table_, cfg_.dueField, cfg_.valueField, n, first, generating_, save_->pending());
    // The base total split equally.
    spread(true);
    // Shown from its first installment before the send: a refused schedule stays shown
    // as generated.
    table_->first();
    showSummary();
    // Sent once it adds up.
    confirmSchedule();
}

}  // namespace cot
