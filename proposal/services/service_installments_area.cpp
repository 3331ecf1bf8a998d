#include "proposal/services/service_installments_area.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "data/client_dataset.h"
#include "proposal/area/area_support.h"
#include "proposal/area/distinct_dates.h"
#include "proposal/proposal_screen.h"
#include "proposal/screen_layout.h"
#include "proposal/services/service_tables.h"
#include "proposal/services/services_area.h"
#include "base/clock.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"

namespace cot {

using namespace layout;

ServiceInstallmentsArea::ServiceInstallmentsArea(TfrmPropostaComercial& screen) : ProposalArea(screen) {
    cdsVencServ = area_support::table(&s_, "cdsVencServ");
    cdsMinDtVencServ = area_support::table(&s_, "cdsMinDtVencServ");
    cdsAuxVencServ = area_support::table(&s_, "cdsAuxVencServ");
    cdsValidaVencServ = area_support::table(&s_, "cdsValidaVencServ");
    cdsVencServicoAux = area_support::table(&s_, "cdsVencServicoAux");
    for (ClientDataSet* t : {cdsVencServ, cdsVencServicoAux, cdsAuxVencServ})
        service_tables::serviceInstallmentFields(*t);
    service_tables::dueDateFields(*cdsMinDtVencServ);
    service_tables::dueDateFields(*cdsValidaVencServ);
    dtsVencServ = area_support::source(&s_, "dtsVencServ", cdsVencServ);
}

QList<QWidget*> ServiceInstallmentsArea::controls() const {
    return {dbgVencPacote, nedParcPacote, nedVrTotaPacote, depDtVencPacote, sbtGeraParcPacote};
}

void ServiceInstallmentsArea::build() {
    cdsVencServ->createDataSet();
    QHBoxLayout* bottom = s_.area<ServicesArea>().bottomRow();
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
    dbgVencPacote->addColumn(QStringLiteral("DTVENCSERVPROP"));
    dbgVencPacote->addColumn(QStringLiteral("VRVENCSERVPROP"))->alignment = Qt::AlignRight;
    panVencPacote = new TPanel(QStringLiteral("panVencPacote"), grbVencimento);
    due->addWidget(panVencPacote);
    auto* gen = new QGridLayout(panVencPacote);
    nedParcPacote = new TNumberEdit(QStringLiteral("nedParcPacote"), panVencPacote);
    nedParcPacote->setDecimals(0);
    nedVrTotaPacote = new TNumberEdit(QStringLiteral("nedVrTotaPacote"), panVencPacote);
    nedVrTotaPacote->setDisplayFormat(QStringLiteral("#,##0.00"));
    nedVrTotaPacote->setReadOnly(true);
    depDtVencPacote = new TDateEditPlus(QStringLiteral("depDtVencPacote"), panVencPacote);
    sbtGeraParcPacote = new TSpeedButton(QStringLiteral("sbtGeraParcPacote"), panVencPacote, QStringLiteral("Calcular"));
    sbtGeraParcPacote->setToolTip(QStringLiteral("Calcular"));
    labelled(gen, 0, 0, QStringLiteral("Parcelas"), nedParcPacote);
    labelled(gen, 1, 0, QStringLiteral("Valor Total"), nedVrTotaPacote);
    labelled(gen, 2, 0, QStringLiteral("A partir de"), depDtVencPacote);
    gen->addWidget(sbtGeraParcPacote, 3, 1);
}

void ServiceInstallmentsArea::route() {
    for (Control* c : {static_cast<Control*>(grbVencimento), static_cast<Control*>(dbgVencPacote),
                       static_cast<Control*>(panVencServico), static_cast<Control*>(panVencPacote)})
        c->onEnter = [this] { s_.setActiveTable(cdsVencServ); };
    scbPacote->onEnter = [this] { s_.setActiveTable(s_.area<ServicesArea>().cdsServico); };
}

void ServiceInstallmentsArea::load(const ProposalKey& key) {
    if (!s_.area<ServicesArea>().shown()) return;
    if (s_.proposal()["IDTIPOCOBRSERV"].asString() != QLatin1String("P")) return;
    cdsVencServ->setData(s_.net().getPacket(QStringLiteral("GetVenc_Valor"), {key.nr, key.ver, QString(), 2}));
    nedParcPacote->setValue(cdsVencServ->recordCount());
    cdsVencServ->first();
    depDtVencPacote->setDate(cdsVencServ->isEmpty() ? Clock::current().today()
                                                    : (*cdsVencServ)["DTVENCSERVPROP"].asDateTime().date());
}

void ServiceInstallmentsArea::beforeConfirm() {
    confirmDistinctDates(s_, *cdsVencServ, *cdsAuxVencServ, QStringLiteral("DTVENCSERVPROP"), dbgVencPacote);
}

}  // namespace cot
