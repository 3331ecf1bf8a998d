#include "proposal/product_lines/line_installments_area.h"

#include <QVBoxLayout>

#include "data/client_table.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/area/area_layout.h"
#include "ui/containers.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

namespace cot {

namespace {

const QString kLine = QStringLiteral("CDLINPPROP");

// A line the server holds is current and not being edited: its total may still change
// while it is edited, and its post re-spreads the schedule.
bool storedLine(const ClientTable& l) { return l.active() && !l.isEmpty() && !l.isEditing(); }

InstallmentScheduleConfig lineSchedule(ProductLineArea& area) {
    const ClientTable& l = area.lineTable();
    InstallmentScheduleConfig c;
    c.areaName = QStringLiteral("Vencimentos da Linha de Produto");
    c.scheduleTable = "cdsVenc_Valor";
    c.sourceName = "dtsVenc_Valor";
    c.takenDayTable = "cdsVenc";
    c.firstDatesTable = "cdsMinDtVenc";
    c.copyTable = "cdsAux";
    c.installmentFields = product_line_tables::installmentFields;
    c.dueDateFields = product_line_tables::dueDateFields;
    c.dueField = QStringLiteral("DTVELUSOPEDP");
    c.valueField = QStringLiteral("VRVELUSOPEDP");

    c.setMethod = QStringLiteral("SetVencimento");
    c.scheduleKind = 1;
    c.firstDatesAnswer = 0;
    c.takenDayMethod = QStringLiteral("ValidaVenc");
    c.takenDayArguments = [&l](const QDateTime& day) {
        return QVariantList{l[QStringLiteral("NRPROPOSFAS")].asString(), l[QStringLiteral("NRVERPROPFAS")].asString(),
                            l[kLine].asString(), day};
    };

    c.totalMismatchKey = QStringLiteral("VALORMAIOR");
    c.noOwnerKey = QStringLiteral("DATCODLIN");

    c.owner = [&l]() -> std::optional<QString> {
        const QString line = l.active() && !l.isEmpty() ? l[kLine].asString() : QString();
        if (line.isEmpty()) return std::nullopt;
        return line;
    };
    c.hasOwner = [&l] { return !l.isEmpty(); };
    c.stampOwner = [&l](ClientTable& t) {
        for (const char* key : {"NRPROPOSFAS", "NRVERPROPFAS", "CDLINPPROP"})
            t[QString::fromLatin1(key)].setAsString(l[QString::fromLatin1(key)].asString());
    };
    c.findFirstDate = [&l](ClientTable& firstDates) { return firstDates.locate(kLine, l[kLine].asString()); };
    c.baseTotal = [&l]() -> long double {
        if (!l.active() || (l.isEmpty() && !l.isEditing())) return 0;
        const long double net = static_cast<long double>(l[QStringLiteral("VRLICENCUSOPROP")].asFloat()) -
                                l[QStringLiteral("VRDESLICUSOPROP")].asFloat();
        return net * l[QStringLiteral("QTMINIMAFATPROP")].asFloat();
    };
    c.schedulable = [&l] { return storedLine(l); };
    c.pageShown = [&area] { return area.formShown(); };

    c.grid = "dbgVencimento";
    c.count = "nedParcelas";
    c.total = "nedVrTotal";
    c.note = "lblJurosVencimento";
    c.firstDate = "depDataVenc";
    c.generate = "sbtGerarParcelas";
    c.generateCaption = QStringLiteral("Gerar");
    c.enterOnFirstColumn = true;
    return c;
}

}  // namespace

LineInstallmentsArea::LineInstallmentsArea(AreaHost& host, ProductLineArea& lines)
    : InstallmentScheduleArea(host, lineSchedule(lines)), lines_(lines) {
    lines_.join(*this);
}

InstallmentScheduleArea::Frame LineInstallmentsArea::frame() {
    QVBoxLayout* side = lines_.sideColumn();
    auto* panel = new TPanel(QStringLiteral("Panel2"), side->parentWidget());
    layout::column(panel, 0);
    side->addWidget(panel, 2);  // the schedule may run to 60 installments
    auto* group = new TGroupBox(QStringLiteral("grbVencimentos"), panel, QStringLiteral("Vencimentos"));
    panel->layout()->addWidget(group);
    QVBoxLayout* v = layout::column(group, 2);
    // The generator's controls work on the schedule too.
    return {group, group, v, {panel, group}};
}

void LineInstallmentsArea::build() {
    InstallmentScheduleArea::build();
    grid_->onKeyPress = [this](QChar& key) { dbgVencimentoKeyPress(key); };
    count_->onKeyPress = [this](QChar& key) { nedParcelasKeyPress(key); };
}

bool LineInstallmentsArea::gridFocused() const { return host_.hasFocus(grid_); }

void LineInstallmentsArea::addFirstInstallment() {
    ClientTable& t = *table_;
    if (!t.active()) t.createDataSet();
    if (t.isEditing()) t.post();
    // Only the licence-with-maintenance contract charges the licence in installments.
    const bool licence = host_.proposal()[QStringLiteral("IDTIPOPROPFAS")].asString() == QLatin1String("M");
    t.append();
    t[kLine].setAsString(lines_.lineTable()[kLine].asString());
    t[QStringLiteral("DTVELUSOPEDP")].setAsDateTime(
        schedule_rows::midnight(schedule_rows::firstDue(host_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime())));
    t[QStringLiteral("VRVELUSOPEDP")].setAsFloat(licence ? static_cast<double>(baseTotal()) : 0.0);
    // A refused row stays in the grid to be corrected.
    t.post();
    showSummary();
}

void LineInstallmentsArea::dbgVencimentoKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    if (c == 8 || c == 9 || c == 13 || c == 27 || (c >= u'0' && c <= u'9')) return;
    if (c == u',') {
        // One decimal comma per value.
        const Field* f = grid_->selectedField();
        if (f && GridText(grid_, f->fieldName(), true).contains(u',')) key = QChar();
        return;
    }
    key = QChar();
}

void LineInstallmentsArea::nedParcelasKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    if (c < u'0' || c > u'9') return;
    // The text as it would read with the digit typed (over the selection, at the cursor).
    QString text = count_->text();
    int at = count_->cursorPosition();
    if (count_->hasSelectedText()) {
        at = count_->selectionStart();
        text.remove(at, count_->selectedText().size());
    }
    text.insert(at, key);
    if (text.trimmed().toInt() > 99) key = QChar();
}

}  // namespace cot
