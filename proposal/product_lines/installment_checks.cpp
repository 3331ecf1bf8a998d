// Checks of a line's installments and the sending of its schedule.

#include "base/errors.h"
#include "data/client_table.h"
#include "data/format_br.h"
#include "proposal/product_lines/line_installments_area.h"
#include "proposal/proposal_screen.h"
#include "proposal/area/schedule_rows.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

const QString kDue = QStringLiteral("DTVELUSOPEDP");
const QString kValue = QStringLiteral("VRVELUSOPEDP");

// Money as the messages show it: two decimals, decimal comma, no thousands.
QString moneyText(long double value) { return formatFloat(QStringLiteral("0.00"), value); }

}  // namespace

void LineInstallmentsArea::focusColumn(const QString& field) {
    if (!s_.hasFocus(dbgVencimento) && dbgVencimento->canFocus()) dbgVencimento->setFocus();
    dbgVencimento->setSelectedField(field);
}

void LineInstallmentsArea::fail(const QString& key, const QString& field) {
    focusColumn(field);
    Consiste::MensErro(s_.msgPadrao.Msg(key));
    throw Abort();  // MensErro already ended the operation; this keeps the compiler sure of it
}

void LineInstallmentsArea::cdsVenc_ValorBeforeInsert() {
    if (lines().isEmpty()) Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("DATCODLIN")));
}

void LineInstallmentsArea::cdsVenc_ValorAfterInsert() {
    // The generator inserts many rows at once; the grid is left where it is.
    if (!generating_ && !cdsVenc_Valor->controlsDisabled()) dbgVencimento->setSelectedField(kDue);
}

void LineInstallmentsArea::cdsVenc_ValorBeforePost() {
    ClientTable& t = *cdsVenc_Valor;
    const ClientTable& line = lines();
    if (line.isEmpty()) Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("DATCODLIN")));
    // 1.
    Vd_Venc(true);
    // 2.
    for (const char* key : {"NRPROPOSFAS", "NRVERPROPFAS", "CDLINPPROP"})
        t[QString::fromLatin1(key)].setAsString(line[QString::fromLatin1(key)].asString());
    // 3. - 5.
    const schedule_rows::RowProblem problem =
        schedule_rows::rowProblem(t, kDue, kValue, s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime());
    if (!problem.key.isEmpty()) fail(problem.key, problem.field);
}

bool LineInstallmentsArea::Vd_Venc(bool report) {
    const Field& due = (*cdsVenc_Valor)[kDue];
    if (due.isNull()) {
        if (report) fail(QStringLiteral("DT_INF"), kDue);
        return false;
    }
    if (schedule_rows::sameDayAsStored(*cdsVenc_Valor, kDue)) return true;
    if (dayTaken(due.asDateTime().date())) fail(QStringLiteral("DTJCAD"), kDue);
    return true;
}

bool LineInstallmentsArea::dayTaken(const QDate& day) {
    ClientTable& t = *cdsVenc_Valor;
    // Stored installments the pending change log deletes no longer count: a regeneration
    // replaces the whole schedule in one delta, its deletes first.
    if (!schedule_rows::storedMayStandOn(t, kDue, day)) return false;
    const ClientTable& line = lines();
    cdsVenc->setData(s_.net().getPacket(
        QStringLiteral("ValidaVenc"), {line[QStringLiteral("NRPROPOSFAS")].asString(), line[QStringLiteral("NRVERPROPFAS")].asString(),
                                       line[QStringLiteral("CDLINPPROP")].asString(), QDateTime(day, QTime(0, 0))}));
    return !cdsVenc->isEmpty();
}

bool LineInstallmentsArea::Vd_Valor(bool report) {
    ClientTable& t = *cdsVenc_Valor;
    if (!t.active() || t.rowCount() == 0) return true;
    const std::vector<double> v = values();
    const long double total = lineTotal();
    if (scheduleAddsUp(v, total, rate())) return true;
    const long double expected = scheduleSum(total, rate(), int(v.size()));
    if (v.size() == 1) {
        // A single installment simply is the total.
        const bool editing = t.isEditing();
        if (!editing) {
            t.first();
            t.edit();
        }
        t[kValue].setAsFloat(static_cast<double>(expected));
        if (!editing) t.post();
        return true;
    }
    if (report) {
        if (!t.isEditing()) t.edit();
        focusColumn(kValue);
        Consiste::MensErro(s_.msgPadrao.Msg(QStringLiteral("VALORMAIOR")).replace(QStringLiteral("%f"), moneyText(expected)));
    }
    return false;
}

void LineInstallmentsArea::Confirma_Venc() {
    ClientTable& t = *cdsVenc_Valor;
    if (!t.active()) return;
    try {
        // A row left being edited is part of the schedule being confirmed.
        if (t.isEditing()) t.post();
        if (save_->pending()) {
            if (!Vd_Valor(true)) throw Abort();
            // A refusal is shown and the change log kept for Confirmar to send again.
            save_->send();
        }
    } catch (...) {
        s_.dtsPadraoStateChange();
        throw;
    }
    s_.dtsPadraoStateChange();
}

void LineInstallmentsArea::cdsVenc_ValorAfterDelete() {
    if (generating_) return;
    save_->send();
    s_.dtsPadraoStateChange();
}

}  // namespace cot
