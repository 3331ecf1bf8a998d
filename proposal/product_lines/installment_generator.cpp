// The generator of a line's installments and the spreading of the line total over them.
#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/proposal_screen.h"
#include "proposal/area/schedule_rows.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "ui/date_edit.h"
#include "ui/number_edit.h"

namespace cot {

using schedule_rows::midnight;

namespace {

const QString kDue = QStringLiteral("DTVELUSOPEDP");
const QString kValue = QStringLiteral("VRVELUSOPEDP");

}  // namespace

std::vector<double> LineInstallmentsArea::values() const { return schedule_rows::values(*cdsVenc_Valor, kValue); }

void LineInstallmentsArea::assignValues(const std::vector<double>& split) { schedule_rows::assign(*cdsVenc_Valor, kValue, split); }

void LineInstallmentsArea::Rateia_Vencimento(bool equal) {
    ClientTable& t = *cdsVenc_Valor;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    const int count = t.recordCount();
    if (count == 0) return;
    // The split routines keep whole cents adding up to the cut total, remainder on the first;
    // a schedule of zeros has no shares and is split equally.
    assignValues(equal ? equalSplit(lineTotal(), rate(), count) : proportionalSplit(values(), lineTotal(), rate()));
    showTotal(count);
}

void LineInstallmentsArea::addFirstInstallment() {
    ClientTable& t = *cdsVenc_Valor;
    if (!t.active()) t.createDataSet();
    if (t.isEditing()) t.post();
    // Only the licence-with-maintenance contract charges the licence in installments.
    const bool licence = s_.proposal()[QStringLiteral("IDTIPOPROPFAS")].asString() == QLatin1String("M");
    t.append();
    t[QStringLiteral("CDLINPPROP")].setAsString(lines()[QStringLiteral("CDLINPPROP")].asString());
    t[kDue].setAsDateTime(midnight(schedule_rows::firstDue(s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime())));
    t[kValue].setAsFloat(licence ? static_cast<double>(lineTotal()) : 0.0);
    // A refused row stays in the grid to be corrected.
    t.post();
    showSummary();
}

bool LineInstallmentsArea::scheduleAsAsked(int count, const QDate& first) {
    const ClientTable& t = *cdsVenc_Valor;
    // Against this line's own schedule as the server holds it, never another line's.
    if (!first.isValid() || t.isEditing() || save_->pending() || t.recordCount() != count) return false;
    if (!cdsMinDtVenc->locate(QStringLiteral("CDLINPPROP"), lines()[QStringLiteral("CDLINPPROP")].asString()))
        return false;
    if ((*cdsMinDtVenc)[kDue].asDateTime().date() != first) return false;
    return scheduleAddsUp(values(), lineTotal(), rate());
}

void LineInstallmentsArea::replaceSchedule(int count, const QDate& first) {
    schedule_rows::regenerate(*cdsVenc_Valor, kDue, kValue, count, first, generating_, save_->pending());
}

void LineInstallmentsArea::sbtGerarParcelasClick() {
    const QString count = nedParcelas->text().trimmed();
    // 1.
    if (count.isEmpty() || nedParcelas->value() < 1) {
        if (nedParcelas->canFocus()) nedParcelas->setFocus();
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("INF_PARCELA")));
    }
    const int n = static_cast<int>(nedParcelas->value());
    if (!storedLine()) Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("DATCODLIN")));
    // A text that is no date is refused here rather than taken for "today".
    const QDate asked = depDataVenc->isEmpty() ? QDate() : readTypedDate(depDataVenc->text());
    s_.setActiveTable(cdsVenc_Valor);
    const QDate today = Clock::current().today();
    // 2.
    const QVariantList answer =
        s_.net().callChecked(QStringLiteral("GetMinDtVenc"), {s_.NR(), s_.VER(), midnight(today)}).toList();
    cdsMinDtVenc->setData(answer.value(0).value<Packet>());
    // 3.
    if (scheduleAsAsked(n, asked)) return;
    // 5. (before anything is deleted: a start the proposal refuses leaves the schedule alone)
    const QDateTime created = s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime();
    const QDate first = asked.isValid() ? asked : schedule_rows::firstDue(created);
    if (created.isValid() && created.date() > first) {
        if (depDataVenc->canFocus()) depDataVenc->setFocus();
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("DTVENC_PROP")));
    }
    depDataVenc->setDate(first);
    // 4. and 6.
    replaceSchedule(n, first);
    // 7.
    Rateia_Vencimento(true);
    // 9. (shown before the send: a refused schedule stays shown as generated)
    showSummary();
    // 8.
    Confirma_Venc();
}

}  // namespace cot
