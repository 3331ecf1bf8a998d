#pragma once
#include <QDialog>
#include <QVariantList>

#include "screens/form.h"

class QLabel;

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBGrid;
class TMemo;
class TNumberEdit;
class TButton;
class TfrmAprovacao;
struct Packet;

// Final yes/no before an acceptance charges the licence of use (COT05006): the question,
// a read-only grid over the caller's table and the total of the lines listed; asked by the
// approval, the proposal's one-off and monthly values as well (GetTotaisProposta). A new window
// on every call, freed by its factory once answered.
class TfrmConfAceite : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit TfrmConfAceite(QWidget* parent = nullptr);

    void FormCreate() override;
    void FormActivate() override;
    void btnSimClick();
    void btnNaoClick();

    // Points the grid at the caller's table (neither changed nor freed here).
    void setTable(ClientTable& table);
    // Asked by the approval of the proposal under `screen`'s cursor: its lines' total
    // instead of the table's, and the proposal's two figures.
    void askedByApproval(long double linesTotal, ProposalReach& screen);
    // "Valor único: R$ … Mensal: R$ …" from GetTotaisProposta's row; hidden without one.
    void showFigures(const Packet& totals);

    TMemo* memInforma;
    TDBGrid* dbgMensagem;
    TNumberEdit* nedTotal;
    QLabel* lblValores;
    TButton *btnSim, *btnNao;
    DataSource* dtsProduto;

private:
    long double approvalTotal_ = 0;
    ProposalReach* approvalScreen_ = nullptr;
};

namespace Cli_cot05006 {

// The sum of the "Valor" column (VRLINPROD) over the rows the table lets through; the
// cursor is not moved.
long double totalOf(const ClientTable& table);

// Shows the table's rows under the text and returns the answer: 6 (yes), 7 (no); anything
// else (the window closed some other way) is a no for the caller. The total is the table's
// own, or, asked by the approval dialog, that dialog's (see askedByApproval).
int CriaConfAceite(ClientTable& table, const QString& text, const TfrmAprovacao* approval = nullptr);

// Module entry: [table reference, text]. UserError when element 0 is not a table.
int IniProc(const QVariantList& params);

}  // namespace Cli_cot05006

}  // namespace cot
