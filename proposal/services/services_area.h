#pragma once
#include <QChar>
#include <QMetaObject>
#include <memory>
#include <optional>

#include "proposal/area/proposal_area.h"
#include "services/local_query.h"

class QHBoxLayout;

namespace cot {

class ChildTableSave;
class DataSource;
class Field;
class HeaderController;
class ProductLineArea;
class ServiceInstallmentsArea;
class TDBEdit;
class TDBGrid;
class TGroupBox;
class TPanel;
class TRadioButton;
class TScrollBox;

// Services of the proposal: the services grid with the checks of a post and the
// rate/discount arithmetic, the charging type (package or hourly), the running package
// value, and the header's contract button "Serviço".
//
// A post or delete goes with SetServico, which records the package value the services
// imply and the schedule that follows it (its first installment, the re-split over a new
// value, none with the last service) in the same transaction; both are read back once the
// server took the change, also when Confirmar sends a refused one again. Switching the charging type
// is one call, SetTipoCobrServ, which leaves the package and its schedule as the type
// implies. The package installments and the services' objective are areas of their own; the
// installments, built after the services, attach themselves here.
//
// The contract "Serviço" is the header's: the area observes the ProposalModel's choices and
// answers the choice of "S".
class ServicesArea : public ProposalArea {
public:
    ServicesArea(AreaHost& host, HeaderController& header, ProductLineArea& lines);
    ~ServicesArea() override;

    QString name() const override { return QStringLiteral("Serviço"); }
    QList<ClientTable*> tables() const override { return {cdsServico}; }
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void pageShown() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;
    void afterDelete() override;

    // Whether the services tab of pgcDados is shown on the form page (and its own
    // "Serviço" tab rather than the objective).
    bool shown() const;
    bool principalShown() const;
    // Row under the services grid, for the package installments.
    QHBoxLayout* bottomRow() const { return bottom_; }
    // Services may be changed: a stored proposal, not being edited, not accepted.
    bool open() const;
    // The proposal is charged as a package.
    bool package() const;

    // ----- checks (report = true before a post: an empty value is an error)
    void Vd_Servico(bool report);
    void Vd_IncluServ(bool report);

    // ----- table events of cdsServico
    void cdsServicoBeforeInsert();
    void cdsServicoAfterInsert();
    void cdsServicoBeforeEdit();
    void cdsServicoBeforePost();
    void cdsServicoAfterPost();
    void cdsServicoAfterCancel();
    void cdsServicoAfterDelete();
    void cdsServicoAfterScroll();

    // ----- grid
    void dbgServicoColEnter();
    void dbgServicoColExit();
    void dbgServicoEditButtonClick();
    void dbgServicoKeyPress(QChar& key);
    void dbgServicoKeyDown(int& key, Qt::KeyboardModifiers modifiers);
    // Opens the type cell's editor, with its lookup button, on a new row.
    void showTypeButton();
    // Focuses a column of the grid (without the checks of the column being left).
    void focusColumn(const QString& field);

    // ----- charging and package
    void rbtVrPacoteClick();
    void rbtVrHoraClick();
    // Package value with the current row as it is now: the stored package minus the row's
    // stored hours × invoiced rate, plus its current ones (no rounding).
    long double GeraValorServico() const;
    // Gives a package proposal whose services have no package value yet its value and
    // first installment (after a switch to package and when the page is shown).
    void Gera_ValorPacoteServ();
    // Checks the charging radio of the stored type without starting an edit.
    void showCharging();

    // ----- the contract "Serviço" chosen in the header
    void rbtServicoClick();

    // Before the approval: a proposal to a prospect must quote every mandatory service.
    // The missing ones are listed and may be imported; either way the approval stops.
    void Verifica_Servico();

    ClientTable *cdsServico, *cdsServicoAux, *cdsTipoServObr;

private:
    friend class ServiceInstallmentsArea;
    Field& f(const char* name) const;
    ServiceInstallmentsArea& installments() const;
    void attachEvents();
    // Focuses the column and ends the operation with the catalogue text of `key`.
    [[noreturn]] void refuse(const QString& key, const QString& field);
    // The proposal's own package value (what the schedule must add up to).
    long double proposalPackage() const;
    // Sum of hours × invoiced rate over the proposal's services.
    long double servicesTotal();
    // Reads the services again, keeping the current one when it is still there.
    void reloadServices();
    // The click of a charging radio: edits the services (a new row when there is none).
    bool startChargingEdit();
    // Records the charging type on the server; undoes the click's edit when refused.
    void switchCharging(const QString& type, bool startedHere);
    // The proposal left without services has no package schedule.
    void emptyPackage();

    // What a save of the services still needs once the server holds it. Kept with the
    // proposal's key, so it never lands on another proposal, and dropped once done.
    struct FollowUp {
        ProposalKey proposal;
        bool verify = false;            // a post: the view is read again afterwards
    };
    void runFollowUp();
    // The schedule of a package after a save: read back as the server left it.
    void settleSchedule();

    HeaderController& header_;
    ProductLineArea& lines_;
    ServiceInstallmentsArea* installments_ = nullptr;  // attached by the installments when built
    QMetaObject::Connection contractConnection_;

    TADOIBQuery qryServico{QStringLiteral("qryServico")};
    DataSource *dtsServico, *dtsServ;
    TScrollBox* scrServico = nullptr;
    TPanel* panServicoControle = nullptr;
    TDBGrid* dbgServico = nullptr;
    TGroupBox *grbTipoCobranca = nullptr, *grbPacote = nullptr;
    TRadioButton *rbtVrPacote = nullptr, *rbtVrHora = nullptr;
    TDBEdit* dbeVrPacote = nullptr;

    std::unique_ptr<ChildTableSave> save_;
    std::optional<FollowUp> followUp_;
    QHBoxLayout* bottom_ = nullptr;
    // The charging radios start an edit only once they show the stored type.
    bool boTestaServ = false;
    bool syncing_ = false;  // radios being set from the record: their clicks change nothing
};

}  // namespace cot
