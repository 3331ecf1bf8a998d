#include "proposal/services/service_installments_area.h"

#include <QHBoxLayout>

#include "data/client_table.h"
#include "proposal/area/area_layout.h"
#include "proposal/services/service_tables.h"
#include "proposal/services/services_area.h"
#include "ui/containers.h"
#include "ui/db_grid.h"

namespace cot {

namespace {

InstallmentScheduleConfig packageSchedule(AreaHost& host, const ServicesArea& services) {
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
    c.takenDayArguments = [&host](const QDateTime& day) {
        const ProposalKey key = host.key();
        return QVariantList{key.nr, key.ver, day};
    };

    c.totalMismatchKey = QStringLiteral("VALORMAIORSERV");

    // Only a proposal charged as a package has a schedule, under no code of its own.
    c.owner = [&services]() -> std::optional<QString> {
        if (!services.package()) return std::nullopt;
        return QString();
    };
    c.hasOwner = [] { return true; };
    c.stampOwner = [&host](ClientTable& t) {
        if (t.state() != DataSetState::Insert) return;
        const ProposalKey key = host.key();
        t[QStringLiteral("NRPROPOSFAS")].setAsString(key.nr);
        t[QStringLiteral("NRVERPROPFAS")].setAsString(key.ver);
    };
    c.findFirstDate = [](ClientTable& firstDates) { return !firstDates.isEmpty(); };
    c.baseTotal = [&host]() -> long double {
        const ClientTable& p = host.proposal();
        return p.active() && !p.isEmpty() ? p[QStringLiteral("VRPACOTESERV")].asFloat() : 0;
    };
    // A package proposal whose services may be changed, and none is being typed.
    c.schedulable = [&services] {
        return services.open() && services.package() && services.cdsServico->active() &&
               !services.cdsServico->isEmpty() && !services.cdsServico->isEditing();
    };
    c.pageShown = [&services] { return services.principalShown(); };

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

ServiceInstallmentsArea::ServiceInstallmentsArea(AreaHost& host, ServicesArea& services)
    : InstallmentScheduleArea(host, packageSchedule(host, services)), services_(services) {
    services_.installments_ = this;
}

ServiceInstallmentsArea::~ServiceInstallmentsArea() { services_.installments_ = nullptr; }

InstallmentScheduleArea::Frame ServiceInstallmentsArea::frame() {
    QHBoxLayout* bottom = services_.bottomRow();
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
    scbPacote->onEnter = [this] { host_.setActiveTable(services_.cdsServico); };
}

void ServiceInstallmentsArea::load(const ProposalKey&) {
    if (services_.shown()) reload();
}

}  // namespace cot
