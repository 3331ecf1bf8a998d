#include "proposal/services/service_installments_area.h"

#include <QHBoxLayout>

#include "data/client_table.h"
#include "proposal/screen/proposal_screen.h"
#include "proposal/screen/screen_layout.h"
#include "proposal/services/service_tables.h"
#include "proposal/services/services_area.h"
#include "ui/containers.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

ServicesArea& servicesOf(TfrmPropostaComercial& s) { return s.area<ServicesArea>(); }

InstallmentScheduleConfig packageSchedule() {
    InstallmentScheduleConfig c;
    c.areaName = QStringLiteral("Vencimentos do Pacote");
    c.scheduleTable = "cdsVencServ";
    c.sourceName = "dtsVencServ";
    c.takenDayTable = "cdsValidaVencServ";
    c.firstDatesTable = "cdsMinDtVencServ";
    c.copyTable = "cdsAuxVencServ";
    c.installmentFields = service_tables::serviceInstallmentFields;
    c.dueDateFields = service_tables::dueDateFields;
    c.dueField = QStringLiteral("DTVENCSERVPROP");
    c.valueField = QStringLiteral("VRVENCSERVPROP");

    c.setMethod = QStringLiteral("SetVencServ");
    c.scheduleKind = 2;
    c.firstDatesAnswer = 2;
    c.takenDayMethod = QStringLiteral("ValidaVencServ");
    c.takenDayArguments = [](TfrmPropostaComercial& s, const QDateTime& day) {
        return QVariantList{s.NR(), s.VER(), day};
    };

    c.totalMismatchKey = QStringLiteral("VALORMAIORSERV");

    // Only a proposal charged as a package has a schedule, under no code of its own.
    c.owner = [](TfrmPropostaComercial& s) -> std::optional<QString> {
        if (!servicesOf(s).package()) return std::nullopt;
        return QString();
    };
    c.hasOwner = [](TfrmPropostaComercial&) { return true; };
    c.stampOwner = [](TfrmPropostaComercial& s, ClientTable& t) {
        if (t.state() != DataSetState::Insert) return;
        t[QStringLiteral("NRPROPOSFAS")].setAsString(s.NR());
        t[QStringLiteral("NRVERPROPFAS")].setAsString(s.VER());
    };
    c.findFirstDate = [](TfrmPropostaComercial&, ClientTable& firstDates) { return !firstDates.isEmpty(); };
    c.baseTotal = [](TfrmPropostaComercial& s) -> long double {
        const ClientTable& p = s.proposal();
        return p.active() && !p.isEmpty() ? p[QStringLiteral("VRPACOTESERV")].asFloat() : 0;
    };
    // A package proposal whose services may be changed, and none is being typed.
    c.schedulable = [](TfrmPropostaComercial& s) {
        const ServicesArea& a = servicesOf(s);
        return a.open() && a.package() && a.cdsServico->active() && !a.cdsServico->isEmpty() &&
               !a.cdsServico->isEditing();
    };
    c.pageShown = [](TfrmPropostaComercial& s) { return servicesOf(s).principalShown(); };

    c.grid = "dbgVencPacote";
    c.count = "nedParcPacote";
    c.total = "nedVrTotaPacote";
    c.note = "lblJurosPacote";
    c.firstDate = "depDtVencPacote";
    c.generate = "sbtGeraParcPacote";
    c.generateCaption = c.generateTip = QStringLiteral("Calcular");
    c.dueColumnWidth = 130;
    c.gridReadOnlyWhenClosed = true;
    c.stackedGenerator = true;
    c.noteWraps = true;
    c.totalIsSum = true;
    return c;
}

}  // namespace

ServiceInstallmentsArea::ServiceInstallmentsArea(TfrmPropostaComercial& screen)
    : InstallmentScheduleArea(screen, packageSchedule()) {}

ServicesArea& ServiceInstallmentsArea::services() const { return servicesOf(s_); }

InstallmentScheduleArea::Frame ServiceInstallmentsArea::frame() {
    QHBoxLayout* bottom = services().bottomRow();
    scbPacote = new TScrollBox(QStringLiteral("scbPacote"), bottom->parentWidget());
    scbPacote->setWidgetResizable(true);
    bottom->addWidget(scbPacote, 1);
    auto* packContent = new QWidget;
    scbPacote->setWidget(packContent);
    layout::column(packContent, 0);
    grbVencimento = new TGroupBox(QStringLiteral("grbVencimento"), packContent, QStringLiteral("Vencimentos"));
    packContent->layout()->addWidget(grbVencimento);
    QHBoxLayout* due = layout::row(grbVencimento, 2);
    panVencServico = new TPanel(QStringLiteral("panVencServico"), grbVencimento);
    due->addWidget(panVencServico, 1);
    layout::column(panVencServico, 0);
    panVencPacote = new TPanel(QStringLiteral("panVencPacote"), grbVencimento);
    due->addWidget(panVencPacote);
    return {panVencServico, panVencPacote, nullptr, {grbVencimento, panVencServico, panVencPacote}};
}

void ServiceInstallmentsArea::route() {
    InstallmentScheduleArea::route();
    scbPacote->onEnter = [this] { s_.setActiveTable(services().cdsServico); };
}

void ServiceInstallmentsArea::load(const ProposalKey&) {
    if (services().shown()) reload();
}

}  // namespace cot
