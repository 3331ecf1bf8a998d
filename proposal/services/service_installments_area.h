#pragma once
#include <QDate>
#include <memory>
#include <vector>

#include "proposal/area/proposal_area.h"

class QLabel;

namespace cot {

class ChildTableSave;
class DataSource;
class ServicesArea;
class TDateEditPlus;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TScrollBox;
class TSpeedButton;

// Installments of the service package (beside the charging type on the services tab):
// the grid, and the generator (count, first due date, total).
//
// The schedule travels with SetVencServ as one change log: a user's delete goes at once;
// posted installments go with Confirma_VencServ (leaving the grid, Confirmar, after a
// generation), only once they add up to the package value, with the interest of four or
// more installments. A service's save brings the schedule the server moved with the
// package, read back. A regeneration's deletes and inserts go
// together, so the server never holds half a schedule. A proposal charged by the hour
// has no schedule.
class ServiceInstallmentsArea : public ProposalArea {
public:
    explicit ServiceInstallmentsArea(TfrmPropostaComercial& screen);
    ~ServiceInstallmentsArea() override;

    QString name() const override { return QStringLiteral("Vencimentos do Pacote"); }
    QList<ClientTable*> tables() const override { return {cdsVencServ}; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void load(const ProposalKey& key) override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;
    void beforeConfirm() override;
    // On the installment grid Cancelar asks first and, answered No, keeps the edits.
    bool cancel() override;

    // ----- what the services area drives
    // Reads the proposal's schedule (none unless charged as a package) and shows its
    // count, first due date and total. A row being edited is dropped and a pending change
    // log is sent first.
    void reload();
    // Spreads the package value over the installments: equally (a new schedule), or
    // keeping each one's share.
    void Rateia_VencServ(bool novo);
    // Whether the installments add up to the package value. A single installment is set
    // to it. With `mostra` a schedule that does not add up is shown (VALORMAIORSERV) and
    // ends the operation, with the value column ready to be corrected.
    bool Vd_ValorServ(bool mostra);
    // Sends the pending change log once it adds up (a refusal is shown and keeps it pending).
    void Confirma_VencServ();
    // Shows the sum of the installments.
    void Atualiza_Total_Servico();
    // Deletes every installment, in one change log.
    void dropSchedule();
    // The proposal's package value.
    long double packageValue() const;

    // ----- handlers
    void sbtGeraParcPacoteClick();
    void cdsVencServAfterInsert();
    void cdsVencServBeforePost();
    void cdsVencServAfterDelete();
    // Whether the due date may be used: empty (shown only with `obrigatorio`), or a day on
    // which the proposal already has an installment on the server (DTJCAD, always shown).
    bool Vd_VencServ(bool obrigatorio);
    void dbgVencPacoteColExit();
    void dbgVencPacoteExit();

    ClientTable *cdsVencServ, *cdsMinDtVencServ, *cdsAuxVencServ, *cdsValidaVencServ, *cdsVencServicoAux;
    DataSource* dtsVencServ;
    TScrollBox* scbPacote = nullptr;
    TGroupBox* grbVencimento = nullptr;
    TPanel *panVencServico = nullptr, *panVencPacote = nullptr;
    TDBGrid* dbgVencPacote = nullptr;
    TNumberEdit *nedParcPacote = nullptr, *nedVrTotaPacote = nullptr;
    QLabel* lblJurosPacote = nullptr;  // why the total is above the package
    TDateEditPlus* depDtVencPacote = nullptr;
    TSpeedButton* sbtGeraParcPacote = nullptr;

private:
    ServicesArea& services() const;
    // A package proposal whose services may be changed, and none is being typed.
    bool schedulable() const;
    long double rate() const;
    // Values of the installments, in grid order.
    std::vector<double> values() const;
    void assignValues(const std::vector<double>& split);
    void showSummary();
    // Whether the schedule already is `count` installments from `first` that add up.
    bool scheduleAsAsked(int count, const QDate& first);
    void replaceSchedule(int count, const QDate& first);
    // Whether the server holds another installment on `day` that stays there once the
    // pending change log is applied.
    bool dayTaken(const QDate& day);
    [[noreturn]] void fail(const QString& key, const QString& field);
    void focusColumn(const QString& field);

    std::unique_ptr<ChildTableSave> save_;
    bool generating_ = false;  // the generator's deletes travel with its inserts
};

}  // namespace cot
