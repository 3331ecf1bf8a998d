// Checks of the package installments and the sending of the schedule.

#include <QLabel>

#include "base/errors.h"
#include "data/client_table.h"
#include "data/format_br.h"
#include "proposal/area/child_table_save.h"
#include "proposal/proposal_screen.h"
#include "proposal/services/service_installments_area.h"
#include "proposal/area/schedule_rows.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

const QString kDue = QStringLiteral("DTVENCSERVPROP");
const QString kValue = QStringLiteral("VRVENCSERVPROP");

// Money as the messages show it: two decimals, decimal comma, no thousands.
QString moneyText(long double value) { return formatFloat(QStringLiteral("0.00"), value); }

}  // namespace

void ServiceInstallmentsArea::focusColumn(const QString& field) {
    if (!s_.hasFocus(dbgVencPacote) && dbgVencPacote->canFocus()) dbgVencPacote->setFocus();
    dbgVencPacote->setSelectedField(field);
}

void ServiceInstallmentsArea::fail(const QString& key, const QString& field) {
    focusColumn(field);
    Consiste::MensErro(s_.msgPadrao.Msg(key));
    throw Abort();  // MensErro already ended the operation; this keeps the compiler sure of it
}

void ServiceInstallmentsArea::cdsVencServAfterInsert() {
    // The generator inserts many rows at once; the grid is left where it is.
    if (!generating_ && !cdsVencServ->controlsDisabled()) dbgVencPacote->setSelectedField(kDue);
}

void ServiceInstallmentsArea::cdsVencServBeforePost() {
    ClientTable& t = *cdsVencServ;
    // 1.
    Vd_VencServ(true);
    // 2.
    if (t.state() == DataSetState::Insert) {
        t[QStringLiteral("NRPROPOSFAS")].setAsString(s_.NR());
        t[QStringLiteral("NRVERPROPFAS")].setAsString(s_.VER());
    }
    // 3. - 5.
    const schedule_rows::RowProblem problem =
        schedule_rows::rowProblem(t, kDue, kValue, s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime());
    if (!problem.key.isEmpty()) fail(problem.key, problem.field);
}

bool ServiceInstallmentsArea::Vd_VencServ(bool obrigatorio) {
    const Field& due = (*cdsVencServ)[kDue];
    if (due.isNull()) {
        if (obrigatorio) fail(QStringLiteral("DT_INF"), kDue);
        return false;
    }
    if (schedule_rows::sameDayAsStored(*cdsVencServ, kDue)) return true;
    if (dayTaken(due.asDateTime().date())) fail(QStringLiteral("DTJCAD"), kDue);
    return true;
}

bool ServiceInstallmentsArea::dayTaken(const QDate& day) {
    ClientTable& t = *cdsVencServ;
    // Stored installments the pending change log deletes no longer count: a regeneration
    // replaces the whole schedule in one delta, its deletes first.
    if (!schedule_rows::storedMayStandOn(t, kDue, day)) return false;
    cdsValidaVencServ->setData(s_.net().getPacket(QStringLiteral("ValidaVencServ"),
                                                  {s_.NR(), s_.VER(), QDateTime(day, QTime(0, 0))}));
    return !cdsValidaVencServ->isEmpty();
}

bool ServiceInstallmentsArea::Vd_ValorServ(bool mostra) {
    ClientTable& t = *cdsVencServ;
    if (!t.active() || t.rowCount() == 0) return true;
    const std::vector<double> v = values();
    const long double package = packageValue();
    if (scheduleAddsUp(v, package, rate())) return true;
    const long double expected = scheduleSum(package, rate(), int(v.size()));
    if (v.size() == 1) {
        // A single installment simply is the package.
        const bool editing = t.isEditing();
        if (!editing) {
            t.first();
            t.edit();
        }
        t[kValue].setAsFloat(static_cast<double>(expected));
        if (!editing) t.post();
        return true;
    }
    if (mostra) {
        if (!t.isEditing()) t.edit();
        focusColumn(kValue);
        Consiste::MensErro(
            s_.msgPadrao.Msg(QStringLiteral("VALORMAIORSERV")).replace(QStringLiteral("%f"), moneyText(expected)));
    }
    return false;
}

void ServiceInstallmentsArea::Confirma_VencServ() {
    ClientTable& t = *cdsVencServ;
    if (!t.active()) return;
    try {
        // A row left being edited is part of the schedule being confirmed.
        if (t.isEditing()) t.post();
        if (save_->pending()) {
            if (!Vd_ValorServ(true)) throw Abort();
            // A refusal is shown and the change log kept for Confirmar to send again.
            save_->send();
        }
    } catch (...) {
        s_.dtsPadraoStateChange();
        throw;
    }
    Atualiza_Total_Servico();
    s_.dtsPadraoStateChange();
}

void ServiceInstallmentsArea::cdsVencServAfterDelete() {
    if (generating_) return;
    save_->send();
    Atualiza_Total_Servico();
    s_.dtsPadraoStateChange();
}

void ServiceInstallmentsArea::Atualiza_Total_Servico() {
    ClientTable& copy = *cdsVencServicoAux;
    long double total = 0;
    if (cdsVencServ->active()) {
        copy.setData(cdsVencServ->data());
        for (int r = 0; r < copy.rowCount(); ++r) {
            ClientTable::RowView row(copy, r);
            total += copy[kValue].asFloat();
        }
        copy.close();
    }
    nedVrTotaPacote->setValue(static_cast<double>(total));
    const int count = cdsVencServ->active() ? cdsVencServ->recordCount() : 0;
    lblJurosPacote->setText(schedule_rows::interestNote(rate(), count));
}

}  // namespace cot
