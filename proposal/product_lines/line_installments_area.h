#pragma once
#include <QChar>
#include <QDate>
#include <memory>
#include <vector>

#include "proposal/area/child_table_save.h"
#include "proposal/area/proposal_area.h"

class QLabel;

namespace cot {

class DataSource;
class TDateEditPlus;
class TDBGrid;
class TGroupBox;
class TNumberEdit;
class TPanel;
class TSpeedButton;

// Licence installments of the current product line: the grid beside the line form and the
// generator (count, first due date, total).
//
// The schedule travels with SetVencimento as one change log: a user's delete goes at once;
// posted installments go with Confirma_Venc (leaving the grid, Confirmar, after a generation,
// after the line's post), only once they add up to the line's total. A regeneration's
// deletes and inserts go together, so the server never holds half a schedule.
class LineInstallmentsArea : public ProposalArea {
public:
    explicit LineInstallmentsArea(TfrmPropostaComercial& screen);
    ~LineInstallmentsArea() override;

    QString name() const override { return QStringLiteral("Vencimentos da Linha de Produto"); }
    QList<ClientTable*> tables() const override { return {cdsVenc_Valor}; }
    bool ready() const override { return true; }
    QList<QWidget*> controls() const override;
    void build() override;
    void route() override;
    void enable(MaintenanceEnabling& e) override;
    void verify(QStringList& kept) override;
    void updateEditors() override;
    void beforeConfirm() override;
    // On the installment grid Cancelar asks first and, answered No, keeps the edits.
    bool cancel() override;

    // ----- what the product-line area drives
    // Reads the current line's schedule and shows its count, first due date and total.
    // A row being edited is dropped and a pending change log is sent first.
    void loadForCurrentLine();
    // One installment for the current line, due today, posted but not sent.
    void addFirstInstallment();
    // Spreads the line total over the installments: equally, or keeping each one's share.
    void Rateia_Vencimento(bool equal);
    // Whether the installments add up to the schedule total. A single installment is set to
    // it. With `report` a schedule that does not add up is shown (VALORMAIOR) and ends the
    // operation, with the value column ready to be corrected.
    bool Vd_Valor(bool report);
    // Sends the pending change log once it adds up (a refusal is shown and keeps it pending).
    void Confirma_Venc();
    // (licence − discount) × quantity of the current line.
    long double lineTotal() const;

    // ----- handlers
    void sbtGerarParcelasClick();
    void cdsVenc_ValorBeforeInsert();
    void cdsVenc_ValorAfterInsert();
    void cdsVenc_ValorBeforePost();
    void cdsVenc_ValorAfterDelete();
    // Whether the due date may be used: empty (shown only with `report`), or a day on which
    // the line already has an installment on the server (DTJCAD, always shown).
    bool Vd_Venc(bool report);
    void dbgVencimentoEnter();
    void dbgVencimentoExit();
    void dbgVencimentoColExit();
    void dbgVencimentoKeyPress(QChar& key);
    void nedParcelasKeyPress(QChar& key);

    ClientTable *cdsVenc_Valor, *cdsVenc, *cdsMinDtVenc, *cdsAux;
    DataSource* dtsVenc_Valor;
    TPanel* Panel2 = nullptr;
    TGroupBox* grbVencimentos = nullptr;
    TDBGrid* dbgVencimento = nullptr;
    TNumberEdit *nedParcelas = nullptr, *nedVrTotal = nullptr;
    QLabel* lblJurosVencimento = nullptr;  // why the total is above the line's
    TDateEditPlus* depDataVenc = nullptr;
    TSpeedButton* sbtGerarParcelas = nullptr;

private:
    const ClientTable& lines() const;
    // A line the server holds is current and not being edited.
    bool storedLine() const;
    long double rate() const;
    // Values of the shown installments, in grid order (a row being edited as typed).
    std::vector<double> values() const;
    void assignValues(const std::vector<double>& split);
    void showSummary();
    // The total the installments must reach for `count` of them, and why when it has interest.
    void showTotal(int count);
    // Whether the line's schedule already is `count` installments from `first` that add up.
    bool scheduleAsAsked(int count, const QDate& first);
    void replaceSchedule(int count, const QDate& first);
    // Whether the server holds another installment of the line on `day` that stays there
    // once the pending change log is applied.
    bool dayTaken(const QDate& day);
    // Puts the grid on a column and shows a catalogue message, ending the operation.
    [[noreturn]] void fail(const QString& key, const QString& field);
    void focusColumn(const QString& field);

    std::unique_ptr<ChildTableSave> save_;
    bool generating_ = false;  // the generator's deletes travel with its inserts
};

}  // namespace cot
