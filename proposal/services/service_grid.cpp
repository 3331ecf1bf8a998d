// The services grid: which columns can be typed, the rate arithmetic as columns are left,
// the type lookup of the edit button and the keys the number columns take.
#include <QSignalBlocker>

#include "base/errors.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "data/format_br.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/decimal_comma.h"
#include "proposal/services/services_area.h"
#include "services/consiste.h"
#include "services/messages.h"
#include "services/money.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/lookup.h"

namespace cot {

namespace {

const QString kCode = QStringLiteral("CDTIPOSERV");
const QString kName = QStringLiteral("NMTIPOSERV");
const QString kDescription = QStringLiteral("DSLOCALPROP");
const QString kRate = QStringLiteral("VRHORAPROP");
const QString kInvoiced = QStringLiteral("VRDEHORAPROP");
const QString kDiscount = QStringLiteral("VRPEHORAPROP");

long double value(const Field& f) { return static_cast<long double>(f.asFloat()); }

QString selected(const TDBGrid* grid) {
    const Field* f = grid->selectedField();
    return f ? f->fieldName() : QString();
}

}  // namespace

void ServicesArea::dbgServicoColEnter() {
    if (!host_.proposal()[QStringLiteral("DTACEPROPFAS")].isNull()) return;
    // The type columns take typing only on a new row.
    const QString column = selected(dbgServico);
    const bool typeOfStoredRow = cdsServico->state() != DataSetState::Insert &&
                                 (column == kCode || column == kName) && !f("CDTIPOSERV").asString().isEmpty();
    if (typeOfStoredRow) dbgServico->removeOption(dgEditing);
    else dbgServico->addOption(dgEditing);
    showTypeButton();
}

void ServicesArea::showTypeButton() {
    // The type's lookup button lives in the cell editor: a new row's type cell shows it
    // open, so the lookup is seen rather than known only by its shortcut.
    if (cdsServico->state() == DataSetState::Insert && selected(dbgServico) == kCode && host_.hasFocus(dbgServico))
        dbgServico->showEditor();
}

void ServicesArea::dbgServicoColExit() {
    if (!cdsServico->isEditing()) return;
    const QString leaving = selected(dbgServico);
    Field& rate = f("VRHORAPROP");
    Field& invoiced = f("VRDEHORAPROP");
    Field& discount = f("VRPEHORAPROP");
    if (leaving == kCode) {
        if (cdsServico->state() == DataSetState::Insert) Vd_Servico(false);
        if (f("CDTIPOSERV").asString().trimmed().isEmpty()) f("NMTIPOSERV").clear();
    } else if (leaving == kRate) {
        if (!invoiced.isNull() && value(rate) < value(invoiced)) refuse(QStringLiteral("VALORDESC"), kInvoiced);
        if (value(rate) != 0) {
            if (invoiced.isNull() || value(invoiced) == 0) invoiced.setAsFloat(rate.asFloat());
            discount.setAsFloat(static_cast<double>(100 - (value(invoiced) / value(rate)) * 100));
        }
    } else if (leaving == kInvoiced) {
        if (!invoiced.isNull() && value(rate) < value(invoiced)) refuse(QStringLiteral("VALORDESC"), kInvoiced);
        if (value(rate) != 0) discount.setAsFloat(static_cast<double>(100 - (value(invoiced) / value(rate)) * 100));
    } else if (leaving == kDiscount) {
        if (rate.isNull()) rate.setAsFloat(0);
        invoiced.setAsFloat(static_cast<double>(value(rate) * (100 - value(discount)) / 100));
        if (value(discount) > 100 || value(discount) < 0) refuse(QStringLiteral("VRDESC_ENT"), kDiscount);
    }
    // The package as it would be with this row: shown only, never written to the row (the
    // post computes it again from what the server holds).
    if (leaving == QLatin1String("QTSERVPROP") || leaving == kRate || leaving == kInvoiced || leaving == kDiscount) {
        const QSignalBlocker shownOnly(dbeVrPacote);
        dbeVrPacote->QLineEdit::setText(formatFloatGeneral(truncCents(GeraValorServico())));
    }
}

void ServicesArea::dbgServicoEditButtonClick() {
    // What is pending goes first; the row being typed gives way to the one picked.
    save_->send();
    if (cdsServico->isEditing()) cdsServico->cancel();
    reloadServices();
    if (selected(dbgServico) != kCode) return;
    qryServico.close();
    qryServico.setParam(QStringLiteral("P_CDTIPOSERV"), QString());
    qryServico.setParam(QStringLiteral("P_TCDTIPOSERV"), QStringLiteral("T"));
    qryServico.open();
    const TMessages& m = host_.messages();
    if (!Pesquisa::Pesquisar_Plus(*dtsServ, m.Msg(QStringLiteral("Servico")) + u'|' + m.Msg(QStringLiteral("Serv_Nao_Cad"))))
        return;
    const QString code = qryServico.fieldByName(kCode).asString();
    const QString name = qryServico.fieldByName(kName).asString();
    cdsServico->append();
    f("CDTIPOSERV").setAsString(code);
    f("NMTIPOSERV").setAsString(name);
}

void ServicesArea::dbgServicoKeyPress(QChar& key) {
    for (const char* number : {"VRPEACHEPROP", "QTSERVPROP", "VRHORAPROP", "VRDEHORAPROP"})
        Virgula(dbgServico, QString::fromLatin1(number), key);
    if (key.isNull() || selected(dbgServico) == kDescription) return;
    // Numbers are typed without exponent or sign.
    const ClientTable* active = host_.activeTable();
    if ((key == u'e' || key == u'E') && active && active->active()) key = QChar();
    if (key == u'+' || key == u'-') key = QChar();
}

void ServicesArea::dbgServicoKeyDown(int& key, Qt::KeyboardModifiers modifiers) {
    // Services are deleted with the delete button, which also takes care of the package.
    if (key == Qt::Key_Delete && (modifiers & Qt::ControlModifier)) key = 0;
}

}  // namespace cot
