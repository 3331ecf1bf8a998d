#include "proposal/services/service_installments_area.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "base/clock.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "proposal/area/area_support.h"
#include "proposal/area/child_table_save.h"
#include "proposal/area/distinct_dates.h"
#include "proposal/area/schedule_rows.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/services/service_tables.h"
#include "proposal/services/services_area.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/number_edit.h"

namespace cot {

using namespace layout;

ServiceInstallmentsArea::ServiceInstallmentsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsVencServ = area_support::table(&s_, "cdsVencServ");
    cdsMinDtVencServ = area_support::table(&s_, "cdsMinDtVencServ");
    cdsAuxVencServ = area_support::table(&s_, "cdsAuxVencServ");
    cdsValidaVencServ = area_support::table(&s_, "cdsValidaVencServ");
    cdsVencServicoAux = area_support::table(&s_, "cdsVencServicoAux");
    for (ClientTable* t : {cdsVencServ, cdsVencServicoAux, cdsAuxVencServ})
        service_tables::serviceInstallmentFields(*t);
    service_tables::dueDateFields(*cdsMinDtVencServ);
    service_tables::dueDateFields(*cdsValidaVencServ);
    dtsVencServ = area_support::source(&s_, "dtsVencServ", cdsVencServ);

    // Not attached: posts wait for Confirma_VencServ, which sends only a schedule that adds up.
    save_ = std::make_unique<ChildTableSave>(s_.net(), *cdsVencServ, QStringLiteral("SetVencServ"));
    s_.registerSave(save_.get());

    ClientTable& t = *cdsVencServ;
    t.afterInsert = [this](ClientTable&) { cdsVencServAfterInsert(); };
    t.beforePost = [this](ClientTable&) { cdsVencServBeforePost(); };
    t.afterDelete = [this](ClientTable&) { cdsVencServAfterDelete(); };
    t[QStringLiteral("DTVENCSERVPROP")].onSetText = [](Field& f, const QString& text) {
        if (text.trimmed().isEmpty() || text == QLatin1String("  /  /    ")) f.clear();
        else Consiste::DateSetText(f, text);
    };
}

ServiceInstallmentsArea::~ServiceInstallmentsArea() {
    ClientTable& t = *cdsVencServ;
    for (ClientTable::Event* e : {&t.afterInsert, &t.beforePost, &t.afterDelete}) *e = nullptr;
}

QList<QWidget*> ServiceInstallmentsArea::controls() const {
    return {dbgVencPacote, nedParcPacote, nedVrTotaPacote, depDtVencPacote, sbtGeraParcPacote};
}

ServicesArea& ServiceInstallmentsArea::services() const { return s_.area<ServicesArea>(); }

void ServiceInstallmentsArea::build() {
    cdsVencServ->createDataSet();
    QHBoxLayout* bottom = services().bottomRow();
    scbPacote = new TScrollBox(QStringLiteral("scbPacote"), bottom->parentWidget());
    scbPacote->setWidgetResizable(true);
    bottom->addWidget(scbPacote, 1);
    auto* packContent = new QWidget;
    scbPacote->setWidget(packContent);
    column(packContent, 0);
    grbVencimento = new TGroupBox(QStringLiteral("grbVencimento"), packContent, QStringLiteral("Vencimentos"));
    packContent->layout()->addWidget(grbVencimento);
    auto* due = row(grbVencimento, 2);
    panVencServico = new TPanel(QStringLiteral("panVencServico"), grbVencimento);
    due->addWidget(panVencServico, 1);
    column(panVencServico, 0);
    dbgVencPacote = grid("dbgVencPacote", panVencServico, dtsVencServ, true);
    dbgVencPacote->addColumn(QStringLiteral("DTVENCSERVPROP"), {}, 130);
    dbgVencPacote->addColumn(QStringLiteral("VRVENCSERVPROP"))->alignment = Qt::AlignRight;
    panVencPacote = new TPanel(QStringLiteral("panVencPacote"), grbVencimento);
    due->addWidget(panVencPacote);
    auto* gen = new QGridLayout(panVencPacote);
    nedParcPacote = new TNumberEdit(QStringLiteral("nedParcPacote"), panVencPacote);
    nedParcPacote->setDecimals(0);
    nedVrTotaPacote = new TNumberEdit(QStringLiteral("nedVrTotaPacote"), panVencPacote);
    nedVrTotaPacote->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotaPacote->setReadOnly(true);
    nedVrTotaPacote->setFocusPolicy(Qt::ClickFocus);  // shown only: Tab goes past it
    lblJurosPacote = new QLabel(panVencPacote);
    lblJurosPacote->setObjectName(QStringLiteral("lblJurosPacote"));
    lblJurosPacote->setWordWrap(true);
    depDtVencPacote = new TDateEditPlus(QStringLiteral("depDtVencPacote"), panVencPacote);
    sbtGeraParcPacote = new TSpeedButton(QStringLiteral("sbtGeraParcPacote"), panVencPacote, QStringLiteral("Calcular"));
    sbtGeraParcPacote->setToolTip(QStringLiteral("Calcular"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcPacote);
    labelled(gen, 1, 0, QStringLiteral("Valor Total"), nedVrTotaPacote);
    labelled(gen, 2, 0, QStringLiteral("A partir de"), depDtVencPacote);
    gen->addWidget(sbtGeraParcPacote, 3, 1);
    gen->addWidget(lblJurosPacote, 4, 0, 1, 2);

    dbgVencPacote->onExit = [this] { dbgVencPacoteExit(); };
    dbgVencPacote->onColExit = [this] { dbgVencPacoteColExit(); };
    sbtGeraParcPacote->onClick = [this] { sbtGeraParcPacoteClick(); };
}

void ServiceInstallmentsArea::route() {
    for (Control* c : {static_cast<Control*>(grbVencimento), static_cast<Control*>(dbgVencPacote),
                       static_cast<Control*>(panVencServico), static_cast<Control*>(panVencPacote)})
        c->onEnter = [this] { s_.setActiveTable(cdsVencServ); };
    scbPacote->onEnter = [this] { s_.setActiveTable(services().cdsServico); };
}

// ----- loading

void ServiceInstallmentsArea::load(const ProposalKey&) {
    if (services().shown()) reload();
}

void ServiceInstallmentsArea::reload() {
    ClientTable& t = *cdsVencServ;
    if (t.isEditing()) t.cancel();
    save_->send();
    if (services().package())
        t.setData(s_.net().getPacket(QStringLiteral("GetVenc_Valor"), {s_.NR(), s_.VER(), QString(), 2}));
    else
        t.createDataSet();  // nothing of another proposal stays shown
    showSummary();
    updateEditors();
}

void ServiceInstallmentsArea::showSummary() {
    ClientTable& t = *cdsVencServ;
    const int count = t.active() ? t.recordCount() : 0;
    nedParcPacote->setValue(count);
    if (t.active() && !t.isEmpty()) t.first();
    depDtVencPacote->setDate(count == 0 ? schedule_rows::firstDue(s_.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime())
                                        : t[QStringLiteral("DTVENCSERVPROP")].asDateTime().date());
    Atualiza_Total_Servico();
}

long double ServiceInstallmentsArea::packageValue() const {
    const ClientTable& p = s_.proposal();
    return p.active() && !p.isEmpty() ? p[QStringLiteral("VRPACOTESERV")].asFloat() : 0;
}

long double ServiceInstallmentsArea::rate() const {
    const ClientTable& perc = s_.paramPerc();
    return perc.active() && !perc.isEmpty() ? perc[QStringLiteral("VRTXJUROSLICUSO")].asFloat() : 0;
}

// ----- enabling

bool ServiceInstallmentsArea::schedulable() const {
    const ServicesArea& s = services();
    return s.open() && s.package() && s.cdsServico->active() && !s.cdsServico->isEmpty() &&
           !s.cdsServico->isEditing();
}

void ServiceInstallmentsArea::enable(MaintenanceEnabling& e) {
    const ClientTable& t = *cdsVencServ;
    const bool editing = t.isEditing();
    const bool on = schedulable() && t.active();
    const bool rows = t.active() && !t.isEmpty();
    e.incluir = on && !editing;
    e.alterar = e.excluir = on && rows && !editing;
    e.procurar = rows && !editing;
    e.cancelar = e.confirmar = editing || save_->pending();
}

void ServiceInstallmentsArea::updateEditors() {
    const bool on = schedulable();
    dbgVencPacote->setReadOnly(!on);
    for (QWidget* w : {static_cast<QWidget*>(nedParcPacote), static_cast<QWidget*>(depDtVencPacote),
                       static_cast<QWidget*>(sbtGeraParcPacote)})
        w->setEnabled(on);
}

// ----- maintenance buttons

bool ServiceInstallmentsArea::cancel() {
    if (!s_.hasFocus(dbgVencPacote) && s_.activeTable() != cdsVencServ) return false;
    const int answer =
        s_.msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo);
    // Answered No, the edits stay as they are and nothing is reloaded over them.
    if (answer != mrYes) throw Abort();
    if (cdsVencServ->isEditing()) cdsVencServ->cancel();
    cdsVencServ->cancelUpdates();
    return true;
}

void ServiceInstallmentsArea::beforeConfirm() {
    ClientTable& t = *cdsVencServ;
    if (!t.active()) return;
    if (t.isEditing()) t.post();
    confirmDistinctDates(s_, t, *cdsAuxVencServ, QStringLiteral("DTVENCSERVPROP"), dbgVencPacote);
    // With the schedule as the buttons' table, Confirmar sends it only once it adds up.
    const bool here = s_.hasFocus(dbgVencPacote) || s_.activeTable() == &t;
    if (services().principalShown() && here) Confirma_VencServ();
}

// ----- grid

void ServiceInstallmentsArea::dbgVencPacoteExit() { Confirma_VencServ(); }

void ServiceInstallmentsArea::dbgVencPacoteColExit() {
    const Field* leaving = dbgVencPacote->selectedField();
    if (s_.mnuConfirmar->enabled() && cdsVencServ->isEditing() && leaving &&
        leaving->fieldName() == QLatin1String("DTVENCSERVPROP"))
        Vd_VencServ(false);
}


void ServiceInstallmentsArea::verify(QStringList& kept) {
    if (s_.hasFocus(dbgVencPacote) && area_support::reloadable(s_, {cdsVencServ}, name(), kept)) reload();
}

}  // namespace cot
