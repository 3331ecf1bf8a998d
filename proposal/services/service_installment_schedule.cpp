// The generator of the package installments and the spreading of the package value over
// them.
#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/child_table_save.h"
#include "proposal/proposal_screen.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/area/schedule_rows.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "ui/date_edit.h"
#include "ui/number_edit.h"

namespace cot {

using schedule_rows::midnight;

namespace {

const QString kDue = QStringLiteral("DTVENCSERVPROP");
const QString kValue = QStringLiteral("VRVENCSERVPROP");

}  // namespace

std::vector<double> ServiceInstallmentsArea::values() const { return schedule_rows::values(*cdsVencServ, kValue); }

void ServiceInstallmentsArea::assignValues(const std::vector<double>& split) { schedule_rows::assign(*cdsVencServ, kValue, split); }

void ServiceInstallmentsArea::Rateia_VencServ(bool novo) {
    ClientTable& t = *cdsVencServ;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    const int count = t.recordCount();
    if (count == 0) return;
    // Whole cents adding up to the cut total, the remainder on the first installment; a
    // schedule of zeros has no shares and is split equally.
    const long double package = packageValue();
    assignValues(novo ? equalSplit(package, rate(), count) : proportionalSplit(values(), package, rate()));
    Atualiza_Total_Servico();
}

void ServiceInstallmentsArea::dropSchedule() {
    ClientTable& t = *cdsVencServ;
    // What the screen shows is what the server holds: read only when unsure.
    if (!t.active() || t.isEditing() || t.changeCount() > 0 || !t.isEmpty()) reload();
    if (t.isEmpty()) return;
    schedule_rows::deleteAll(t, generating_);
    save_->send();
    showSummary();
}

bool ServiceInstallmentsArea::scheduleAsAsked(int count, const QDate& first) {
    const ClientTable& t = *cdsVencServ;
    if (!first.isValid() || t.isEditing() || save_->pending() || t.recordCount() != count) return false;
    if (cdsMinDtVencServ->isEmpty() || (*cdsMinDtVencServ)[kDue].asDateTime().date() != first) return false;
    return scheduleAddsUp(values(), packageValue(), rate());
}

void ServiceInstallmentsArea::replaceSchedule(int count, const QDate& first) {
    schedule_rows::regenerate(*cdsVencServ, kDue, kValue, count, first, generating_, save_->pending());
}

void ServiceInstallmentsArea::sbtGeraParcPacoteClick() {
    const QString count = nedParcPacote->text().trimmed();
    // 1.
    if (count.isEmpty() || nedParcPacote->value() < 1) {
        if (nedParcPacote->canFocus()) nedParcPacote->setFocus();
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("INF_PARCELA")));
    }
    const int n = static_cast<int>(nedParcPacote->value());
    // A text that is no date is refused here rather than taken for "today".
    const QDate asked = depDtVencPacote->isEmpty() ? QDate() : readTypedDate(depDtVencPacote->text());
    s_.setActiveTable(cdsVencServ);
    const QDate today = Clock::current().today();
    // 2.
    const QVariantList answer =
        s_.net().callChecked(QStringLiteral("GetMinDtVenc"), {s_.NR(), s_.VER(), midnight(today)}).toList();
    cdsMinDtVencServ->setData(answer.value(2).value<Packet>());
    // 3.
    if (scheduleAsAsked(n, asked)) return;
    // 4. b. (before anything is deleted: a start the proposal refuses leaves the schedule alone)
    const QDateTime created = s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime();
    const QDate first = asked.isValid() ? asked : schedule_rows::firstDue(created);
    if (created.isValid() && created.date() > first) {
        if (depDtVencPacote->canFocus()) depDtVencPacote->setFocus();
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("DTVENC_PROP")));
    }
    depDtVencPacote->setDate(first);
    // 4. a. and c.
    replaceSchedule(n, first);
    // 4. d. (the total is shown before the send: a refused schedule stays shown as generated)
    Rateia_VencServ(true);
    showSummary();
    Confirma_VencServ();
}

}  // namespace cot
