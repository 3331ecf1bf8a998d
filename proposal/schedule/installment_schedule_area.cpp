#include "proposal/schedule/installment_schedule_area.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <utility>

#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/distinct_dates.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/area/area_layout.h"
#include "rpc/net_connection.h"
#include "services/consiste.h"
#include "services/installment_schedule.h"
#include "services/messages.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

namespace cot {

InstallmentScheduleArea::InstallmentScheduleArea(AreaHost& host, InstallmentScheduleConfig config)
    : ProposalArea(host), cfg_(std::move(config)) {
    table_ = area_support::table(&host_.dialogParent(), cfg_.scheduleTable);
    takenDay_ = area_support::table(&host_.dialogParent(), cfg_.takenDayTable);
    firstDates_ = area_support::table(&host_.dialogParent(), cfg_.firstDatesTable);
    copy_ = area_support::table(&host_.dialogParent(), cfg_.copyTable);
    cfg_.installmentFields(*table_);
    cfg_.installmentFields(*copy_);
    cfg_.dueDateFields(*takenDay_);
    cfg_.dueDateFields(*firstDates_);
    source_ = area_support::source(&host_.dialogParent(), cfg_.sourceName, table_);

    // Not attached: posts wait for confirmSchedule, which sends only a schedule that adds up.
    save_ = std::make_unique<ChildTableSave>(host_.net(), *table_, cfg_.setMethod);
    host_.registerSave(save_.get());

    ClientTable& t = *table_;
    t.beforeInsert = [this](ClientTable&) { requireOwner(); };
    t.afterInsert = [this](ClientTable&) { afterInsert(); };
    t.beforePost = [this](ClientTable&) { beforePost(); };
    t.afterDelete = [this](ClientTable&) { afterDelete(); };
    t[cfg_.dueField].onSetText = [](Field& f, const QString& text) {
        if (text.trimmed().isEmpty() || text == QLatin1String("  /  /    ")) f.clear();
        else Consiste::DateSetText(f, text);
    };
}

InstallmentScheduleArea::~InstallmentScheduleArea() {
    ClientTable& t = *table_;
    for (ClientTable::Event* e : {&t.beforeInsert, &t.afterInsert, &t.beforePost, &t.afterDelete}) *e = nullptr;
}

void InstallmentScheduleArea::build() {
    table_->createDataSet();
    const Frame f = frame();
    grid_ = layout::grid(cfg_.grid, f.gridParent, source_, cfg_.gridReadOnlyWhenClosed);
    grid_->addColumn(cfg_.dueField, {}, cfg_.dueColumnWidth);
    grid_->addColumn(cfg_.valueField)->alignment = Qt::AlignRight;

    QWidget* parent = f.generatorParent;
    auto* gen = f.generatorHost ? new QGridLayout : new QGridLayout(parent);
    count_ = new TNumberEdit(QString::fromLatin1(cfg_.count), parent);
    count_->setDecimals(0);
    total_ = new TNumberEdit(QString::fromLatin1(cfg_.total), parent);
    total_->setDisplayFormat(QStringLiteral("#,##0.00"));
    total_->setReadOnly(true);
    total_->setFocusPolicy(Qt::ClickFocus);  // shown only: Tab goes past it
    note_ = new QLabel(parent);
    note_->setObjectName(QString::fromLatin1(cfg_.note));
    note_->setWordWrap(cfg_.noteWraps);
    firstDate_ = new TDateEditPlus(QString::fromLatin1(cfg_.firstDate), parent);
    generate_ = new TSpeedButton(QString::fromLatin1(cfg_.generate), parent, cfg_.generateCaption);
    if (!cfg_.generateTip.isEmpty()) generate_->setToolTip(cfg_.generateTip);
    if (cfg_.stackedGenerator) {
        layout::labelled(gen, 0, 0, QStringLiteral("Parcelas"), count_);
        layout::labelled(gen, 1, 0, QStringLiteral("Valor Total"), total_);
        layout::labelled(gen, 2, 0, QStringLiteral("A partir de"), firstDate_);
        gen->addWidget(generate_, 3, 1);
        gen->addWidget(note_, 4, 0, 1, 2);
    } else {
        layout::labelled(gen, 0, 0, QStringLiteral("Parcelas"), count_);
        layout::labelled(gen, 0, 2, QStringLiteral("Valor Total"), total_);
        layout::labelled(gen, 1, 0, QStringLiteral("A partir de"), firstDate_);
        gen->addWidget(generate_, 1, 3);
        gen->addWidget(note_, 2, 0, 1, 4);
    }
    if (f.generatorHost) f.generatorHost->addLayout(gen);

    grid_->onExit = [this] { confirmSchedule(); };
    grid_->onColExit = [this] { gridColExit(); };
    generate_->onClick = [this] { generate(); };
    routed_ = f.routed;
}

void InstallmentScheduleArea::route() {
    for (Control* c : routed_) c->onEnter = [this] { host_.setActiveTable(table_); };
    grid_->onEnter = [this] {
        host_.setActiveTable(table_);
        if (cfg_.enterOnFirstColumn) grid_->setSelectedIndex(0);
    };
}

long double InstallmentScheduleArea::rate() const {
    const ClientTable& perc = host_.paramPerc();
    return perc.active() && !perc.isEmpty() ? perc[QStringLiteral("VRTXJUROSLICUSO")].asFloat() : 0;
}

// ----- loading and what is shown

void InstallmentScheduleArea::reload() {
    ClientTable& t = *table_;
    // Rows of an owner shown before are never posted under the one now current.
    if (t.isEditing()) t.cancel();
    save_->send();
    const std::optional<QString> owner = cfg_.owner();
    if (owner)
        t.setData(host_.net().getPacket(QStringLiteral("GetVenc_Valor"),
                                        {host_.key().nr, host_.key().ver, *owner, cfg_.scheduleKind}));
    else
        t.createDataSet();  // nothing of another owner stays shown
    showSummary();
    updateEditors();
}

QDate InstallmentScheduleArea::shownFirstDue() const {
    const ClientTable& t = *table_;
    QDate first;
    // Installments come by due date, but one typed in may sit anywhere.
    for (int r = 0; t.active() && r < t.rowCount(); ++r) {
        ClientTable::RowView row(t, r);
        const QDate due = t[cfg_.dueField].asDateTime().date();
        if (due.isValid() && (!first.isValid() || due < first)) first = due;
    }
    return first.isValid() ? first
                           : schedule_rows::firstDue(host_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime());
}

void InstallmentScheduleArea::showSummary() {
    count_->setValue(table_->active() ? table_->recordCount() : 0);
    firstDate_->setDate(shownFirstDue());
    refreshTotal();
}

void InstallmentScheduleArea::refreshTotal() {
    const int count = table_->active() ? table_->recordCount() : 0;
    long double total = 0;
    if (cfg_.totalIsSum) {
        for (double v : values()) total += v;
    } else {
        total = scheduleTotal(baseTotal(), rate(), count);
    }
    total_->setValue(static_cast<double>(total));
    note_->setText(schedule_rows::interestNote(rate(), count));
}

// ----- enabling

void InstallmentScheduleArea::enable(MaintenanceEnabling& e) {
    const ClientTable& t = *table_;
    const bool editing = t.isEditing();
    const bool on = cfg_.schedulable() && t.active();
    const bool rows = t.active() && !t.isEmpty();
    e.incluir = on && !editing;
    e.alterar = e.excluir = on && rows && !editing;
    e.procurar = rows && !editing;
    e.cancelar = e.confirmar = editing || save_->pending();
}

void InstallmentScheduleArea::updateEditors() {
    const bool on = cfg_.schedulable();
    if (cfg_.gridReadOnlyWhenClosed) grid_->setReadOnly(!on);
    else grid_->setEnabled(on);
    for (QWidget* w : {static_cast<QWidget*>(count_), static_cast<QWidget*>(firstDate_),
                       static_cast<QWidget*>(generate_)})
        w->setEnabled(on);
}

// ----- maintenance buttons

bool InstallmentScheduleArea::cancel() {
    // Elsewhere (the generator, the group around the grid) Cancelar is the screen's own.
    if (!host_.hasFocus(grid_)) return false;
    const int answer =
        msgMensagensPadroes().ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo);
    // Answered No, the edits stay as they are and nothing is reloaded over them.
    if (answer != mrYes) throw Abort();
    // The whole schedule as the server holds it: an installment being typed and the ones
    // posted but not yet sent alike (what Confirmar would send), so the reload that follows
    // sends nothing of them.
    if (table_->isEditing() || save_->pending()) {
        if (table_->isEditing()) table_->cancel();
        table_->cancelUpdates();
    }
    return true;
}

void InstallmentScheduleArea::beforeConfirm() {
    ClientTable& t = *table_;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    confirmDistinctDates(host_, t, *copy_, cfg_.dueField, grid_);
    // With the schedule as the buttons' table, Confirmar sends it only once it adds up.
    const bool here = host_.hasFocus(grid_) || host_.activeTable() == &t;
    if (cfg_.pageShown() && here) confirmSchedule();
}

void InstallmentScheduleArea::verify(QStringList& kept) {
    if (host_.hasFocus(grid_) && area_support::reloadable(host_, {table_}, name(), kept)) reload();
}

}  // namespace cot
