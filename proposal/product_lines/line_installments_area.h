#pragma once
#include <QChar>

#include "proposal/schedule/installment_schedule_area.h"

namespace cot {

class ProductLineArea;
class TGroupBox;
class TPanel;

// Licence installments of the current product line: the schedule area configured for
// VENCLINPPROP (SetVencimento), beside the line form. Its total is the line's
// (licence − discount) × quantity; only a line the server holds has a schedule to change.
class LineInstallmentsArea : public InstallmentScheduleArea {
public:
    // Joins `lines`, whose current line's schedule it shows.
    LineInstallmentsArea(AreaHost& host, ProductLineArea& lines);

    void build() override;

    // ----- what the product-line area drives
    // Reads the current line's schedule (see reload).
    void loadForCurrentLine() { reload(); }
    // One installment for the current line, due on the first due date the screen gives,
    // posted but not sent: the line total for a licence-with-maintenance contract, else 0.
    void addFirstInstallment();
    void Rateia_Vencimento(bool equal) { spread(equal); }
    bool Vd_Valor(bool report) { return addsUp(report); }
    void Confirma_Venc() { confirmSchedule(); }
    // (licence − discount) × quantity of the current line.
    long double lineTotal() const { return baseTotal(); }
    void sbtGerarParcelasClick() { generate(); }

    // ----- keys
    // Digits, one decimal comma and the editing keys.
    void dbgVencimentoKeyPress(QChar& key);
    // Up to 99 installments.
    void nedParcelasKeyPress(QChar& key);

    ClientTable*& cdsVenc_Valor = table_;
    ClientTable*& cdsVenc = takenDay_;
    ClientTable*& cdsMinDtVenc = firstDates_;
    ClientTable*& cdsAux = copy_;
    DataSource*& dtsVenc_Valor = source_;
    TPanel* Panel2 = nullptr;
    TGroupBox* grbVencimentos = nullptr;
    TDBGrid*& dbgVencimento = grid_;
    TNumberEdit*& nedParcelas = count_;
    TNumberEdit*& nedVrTotal = total_;
    QLabel*& lblJurosVencimento = note_;  // why the total is above the line's
    TDateEditPlus*& depDataVenc = firstDate_;
    TSpeedButton*& sbtGerarParcelas = generate_;

protected:
    Frame frame() override;

private:
    ProductLineArea& lines_;  // the schedule is the current line's
};

}  // namespace cot
