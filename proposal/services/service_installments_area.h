#pragma once
#include "proposal/schedule/installment_schedule_area.h"

namespace cot {

class ServicesArea;
class TGroupBox;
class TPanel;
class TScrollBox;

// Installments of the service package, beside the charging type on the services tab: the
// schedule area configured for VENCSERVPROP (SetVencServ). Its total is the proposal's
// package value; a proposal charged by the hour has no schedule. A service's save brings
// the schedule the server moved with the package, read back. Built after the services, it
// attaches itself to them: the services drive it after each save.
class ServiceInstallmentsArea : public InstallmentScheduleArea {
public:
    ServiceInstallmentsArea(AreaHost& host, ServicesArea& services);
    ~ServiceInstallmentsArea() override;

    void route() override;
    void load(const ProposalKey& key) override;

    // The services area drives the schedule's confirmSchedule() and refreshTotal() after each save.
    ClientTable*& cdsVencServ = table_;

protected:
    Frame frame() override;

private:
    ServicesArea& services_;
    TScrollBox* scbPacote = nullptr;
    TGroupBox* grbVencimento = nullptr;
    TPanel *panVencServico = nullptr, *panVencPacote = nullptr;
};

}  // namespace cot
