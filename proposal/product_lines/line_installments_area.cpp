#include "proposal/product_lines/line_installments_area.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/area_support.h"
#include "proposal/area/distinct_dates.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/product_lines/product_line_area.h"
#include "proposal/product_lines/product_line_tables.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/number_edit.h"

namespace cot {

using namespace layout;

LineInstallmentsArea::LineInstallmentsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsVenc_Valor = area_support::table(&s_, "cdsVenc_Valor");
    cdsVenc = area_support::table(&s_, "cdsVenc");
    cdsMinDtVenc = area_support::table(&s_, "cdsMinDtVenc");
    cdsAux = area_support::table(&s_, "cdsAux");
    product_line_tables::installmentFields(*cdsVenc_Valor);
    product_line_tables::installmentFields(*cdsAux);
    product_line_tables::dueDateFields(*cdsVenc);
    product_line_tables::dueDateFields(*cdsMinDtVenc);
    dtsVenc_Valor = area_support::source(&s_, "dtsVenc_Valor", cdsVenc_Valor);

    // Not attached: posts wait for Confirma_Venc, which sends only a schedule that adds up.
    save_ = std::make_unique<ChildTableSave>(s_.net(), *cdsVenc_Valor, QStringLiteral("SetVencimento"));
    s_.registerSave(save_.get());

    ClientTable& t = *cdsVenc_Valor;
    t.beforeInsert = [this](ClientTable&) { cdsVenc_ValorBeforeInsert(); };
    t.afterInsert = [this](ClientTable&) { cdsVenc_ValorAfterInsert(); };
    t.beforePost = [this](ClientTable&) { cdsVenc_ValorBeforePost(); };
    t.afterDelete = [this](ClientTable&) { cdsVenc_ValorAfterDelete(); };
    t[QStringLiteral("DTVELUSOPEDP")].onSetText = [](Field& f, const QString& text) {
        if (text.trimmed().isEmpty() || text == QLatin1String("  /  /    ")) f.clear();
        else Consiste::DateSetText(f, text);
    };
}

LineInstallmentsArea::~LineInstallmentsArea() {
    ClientTable& t = *cdsVenc_Valor;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforePost, &t.afterDelete}) *e = nullptr;
}

QList<QWidget*> LineInstallmentsArea::controls() const {
    return {dbgVencimento, nedParcelas, nedVrTotal, depDataVenc, sbtGerarParcelas};
}

void LineInstallmentsArea::build() {
    cdsVenc_Valor->createDataSet();
    QVBoxLayout* side = s_.area<ProductLineArea>().sideColumn();
    Panel2 = new TPanel(QStringLiteral("Panel2"), side->parentWidget());
    column(Panel2, 0);
    side->addWidget(Panel2, 2);  // the schedule may run to 60 installments
    grbVencimentos = new TGroupBox(QStringLiteral("grbVencimentos"), Panel2, QStringLiteral("Vencimentos"));
    Panel2->layout()->addWidget(grbVencimentos);
    auto* v = column(grbVencimentos, 2);
    dbgVencimento = grid("dbgVencimento", grbVencimentos, dtsVenc_Valor, false);
    dbgVencimento->addColumn(QStringLiteral("DTVELUSOPEDP"));
    dbgVencimento->addColumn(QStringLiteral("VRVELUSOPEDP"))->alignment = Qt::AlignRight;
    auto* gen = new QGridLayout;
    nedParcelas = new TNumberEdit(QStringLiteral("nedParcelas"), grbVencimentos);
    nedParcelas->setDecimals(0);
    nedVrTotal = new TNumberEdit(QStringLiteral("nedVrTotal"), grbVencimentos);
    nedVrTotal->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotal->setReadOnly(true);
    nedVrTotal->setFocusPolicy(Qt::ClickFocus);  // shown only: Tab goes past it
    lblJurosVencimento = new QLabel(grbVencimentos);
    lblJurosVencimento->setObjectName(QStringLiteral("lblJurosVencimento"));
    depDataVenc = new TDateEditPlus(QStringLiteral("depDataVenc"), grbVencimentos);
    sbtGerarParcelas = new TSpeedButton(QStringLiteral("sbtGerarParcelas"), grbVencimentos, QStringLiteral("Gerar"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcelas);
    labelled(gen, 0, 2, QStringLiteral("Valor Total"), nedVrTotal);
    labelled(gen, 1, 0, QStringLiteral("A partir de"), depDataVenc);
    gen->addWidget(sbtGerarParcelas, 1, 3);
    gen->addWidget(lblJurosVencimento, 2, 0, 1, 4);
    v->addLayout(gen);

    dbgVencimento->onExit = [this] { dbgVencimentoExit(); };
    dbgVencimento->onColExit = [this] { dbgVencimentoColExit(); };
    dbgVencimento->onKeyPress = [this](QChar& key) { dbgVencimentoKeyPress(key); };
    nedParcelas->onKeyPress = [this](QChar& key) { nedParcelasKeyPress(key); };
    sbtGerarParcelas->onClick = [this] { sbtGerarParcelasClick(); };
}

void LineInstallmentsArea::route() {
    // The generator's controls work on the schedule too.
    for (Control* c : {static_cast<Control*>(Panel2), static_cast<Control*>(grbVencimentos)})
        c->onEnter = [this] { s_.setActiveTable(cdsVenc_Valor); };
    dbgVencimento->onEnter = [this] { dbgVencimentoEnter(); };
}

// ----- the current line

const ClientTable& LineInstallmentsArea::lines() const { return *s_.area<ProductLineArea>().cdsLinProd; }

bool LineInstallmentsArea::storedLine() const {
    const ClientTable& l = lines();
    return l.active() && !l.isEmpty() && !l.isEditing();
}

long double LineInstallmentsArea::lineTotal() const {
    const ClientTable& l = lines();
    if (!l.active() || (l.isEmpty() && !l.isEditing())) return 0;
    const long double net =
        static_cast<long double>(l[QStringLiteral("VRLICENCUSOPROP")].asFloat()) - l[QStringLiteral("VRDESLICUSOPROP")].asFloat();
    return net * l[QStringLiteral("QTMINIMAFATPROP")].asFloat();
}

long double LineInstallmentsArea::rate() const {
    const ClientTable& perc = s_.paramPerc();
    return perc.active() && !perc.isEmpty() ? perc[QStringLiteral("VRTXJUROSLICUSO")].asFloat() : 0;
}

// ----- loading

void LineInstallmentsArea::loadForCurrentLine() {
    ClientTable& t = *cdsVenc_Valor;
    // Rows of the line shown before are never posted under the line now current.
    if (t.isEditing()) t.cancel();
    save_->send();
    const ClientTable& l = lines();
    const QString line = l.active() && !l.isEmpty() ? l[QStringLiteral("CDLINPPROP")].asString() : QString();
    if (line.isEmpty())
        t.createDataSet();
    else
        t.setData(s_.net().getPacket(QStringLiteral("GetVenc_Valor"), {s_.NR(), s_.VER(), line, 1}));
    showSummary();
    updateEditors();
}

void LineInstallmentsArea::showSummary() {
    ClientTable& t = *cdsVenc_Valor;
    const int count = t.active() ? t.recordCount() : 0;
    nedParcelas->setValue(count);
    QDate first;
    // Installments come by due date, but one typed in may sit anywhere.
    for (int r = 0; r < count; ++r) {
        ClientTable::RowView row(t, r);
        const QDate due = t[QStringLiteral("DTVELUSOPEDP")].asDateTime().date();
        if (due.isValid() && (!first.isValid() || due < first)) first = due;
    }
    depDataVenc->setDate(first);
    showTotal(count);
}

void LineInstallmentsArea::showTotal(int count) {
    nedVrTotal->setValue(static_cast<double>(scheduleTotal(lineTotal(), rate(), count)));
    lblJurosVencimento->setText(schedule_rows::interestNote(rate(), count));
}

// ----- enabling

void LineInstallmentsArea::enable(MaintenanceEnabling& e) {
    const ClientTable& t = *cdsVenc_Valor;
    const bool editing = t.isEditing();
    const bool line = storedLine() && t.active();
    const bool rows = t.active() && !t.isEmpty();
    e.incluir = line && !editing;
    e.alterar = e.excluir = line && rows && !editing;
    e.procurar = rows && !editing;
    e.cancelar = e.confirmar = editing || save_->pending();
}

void LineInstallmentsArea::updateEditors() {
    // The schedule belongs to a line the server holds; while the line itself is edited its
    // total may still change, and its post re-spreads the schedule.
    const bool on = storedLine();
    for (QWidget* w : {static_cast<QWidget*>(dbgVencimento), static_cast<QWidget*>(nedParcelas),
                       static_cast<QWidget*>(depDataVenc), static_cast<QWidget*>(sbtGerarParcelas)})
        w->setEnabled(on);
}

// ----- maintenance buttons

bool LineInstallmentsArea::cancel() {
    if (!s_.hasFocus(dbgVencimento)) return false;
    const int answer =
        s_.msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo);
    // Answered No, the edits stay as they are and nothing is reloaded over them.
    if (answer != mrYes) throw Abort();
    if (s_.mnuConfirmar->enabled()) {
        if (cdsVenc_Valor->isEditing()) cdsVenc_Valor->cancel();
        cdsVenc_Valor->cancelUpdates();
    }
    return true;
}

void LineInstallmentsArea::beforeConfirm() {
    ClientTable& t = *cdsVenc_Valor;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    confirmDistinctDates(s_, t, *cdsAux, QStringLiteral("DTVELUSOPEDP"), dbgVencimento);
    // With the schedule as the buttons' table, Confirmar sends it only once it adds up.
    const bool here = s_.hasFocus(dbgVencimento) || s_.activeTable() == &t;
    if (s_.area<ProductLineArea>().formShown() && here) Confirma_Venc();
}

// ----- grid and generator controls

void LineInstallmentsArea::dbgVencimentoEnter() {
    s_.setActiveTable(cdsVenc_Valor);
    dbgVencimento->setSelectedIndex(0);
}

void LineInstallmentsArea::dbgVencimentoExit() { Confirma_Venc(); }

void LineInstallmentsArea::dbgVencimentoColExit() {
    const Field* leaving = dbgVencimento->selectedField();
    if (cdsVenc_Valor->isEditing() && leaving && leaving->fieldName() == QLatin1String("DTVELUSOPEDP"))
        Vd_Venc(false);
}

void LineInstallmentsArea::dbgVencimentoKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    if (c == 8 || c == 9 || c == 13 || c == 27 || (c >= u'0' && c <= u'9')) return;
    if (c == u',') {
        // One decimal comma per value.
        const Field* f = dbgVencimento->selectedField();
        if (f && GridText(dbgVencimento, f->fieldName(), true).contains(u',')) key = QChar();
        return;
    }
    key = QChar();
}

void LineInstallmentsArea::nedParcelasKeyPress(QChar& key) {
    const char16_t c = key.unicode();
    if (c < u'0' || c > u'9') return;
    // The text as it would read with the digit typed (over the selection, at the cursor).
    QString text = nedParcelas->text();
    int at = nedParcelas->cursorPosition();
    if (nedParcelas->hasSelectedText()) {
        at = nedParcelas->selectionStart();
        text.remove(at, nedParcelas->selectedText().size());
    }
    text.insert(at, key);
    if (text.trimmed().toInt() > 99) key = QChar();
}


void LineInstallmentsArea::verify(QStringList& kept) {
    if (s_.hasFocus(dbgVencimento) && area_support::reloadable(s_, {cdsVenc_Valor}, name(), kept))
        loadForCurrentLine();
}

}  // namespace cot
