#pragma once
#include <QChar>

#include "proposal/schedule/installment_schedule_area.h"

namespace cot {

class ProductLineArea;

// Licence installments of the current product line: the schedule area configured for
// VENCLINPPROP (SetVencimento), beside the line form. Its total is the line's
// (licence − discount) × quantity; only a line the server holds has a schedule to change.
class LineInstallmentsArea : public InstallmentScheduleArea {
public:
    // Joins `lines`, whose current line's schedule it shows.
    LineInstallmentsArea(AreaHost& host, ProductLineArea& lines);

    void build() override;

    // ----- what the product-line area drives (the rest is the schedule's own: spread,
    // confirmSchedule, ...)
    // Reads the current line's schedule (see reload).
    void loadForCurrentLine() { reload(); }
    // One installment for the current line, due on the first due date the screen gives,
    // posted but not sent: the line total for a licence-with-maintenance contract, else 0.
    void addFirstInstallment();
    // Whether the installments' grid has the focus (the line form's routing).
    bool gridFocused() const;

    // The current line's installments (VENCLINPPROP).
    ClientTable*& cdsVenc_Valor = table_;

protected:
    Frame frame() override;

private:
    // ----- keys
    // Digits, one decimal comma and the editing keys.
    void dbgVencimentoKeyPress(QChar& key);
    // Up to 99 installments.
    void nedParcelasKeyPress(QChar& key);

    ProductLineArea& lines_;  // the schedule is the current line's
};

}  // namespace cot
