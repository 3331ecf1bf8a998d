#pragma once
#include "dialogs/check_list.h"
#include "ui/db_grid_columns.h"

class QPainter;

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBGrid;
class TPanel;
class TRadioButton;
class TSpeedButton;

// Systems of a product line (COT05005): lists the systems of the proposal's commercial
// product for one platform, marks those already on the line (`T`, fixed) and lets the
// user check others. Confirming refuses a configuration the client already has, then
// writes the checked systems to a stored line, or hands them back to the proposal
// screen (ProposalReach::handBackSystems) for a line still being inserted.
//
// Works on the current records of the screen that opens it. A fresh dialog is made for
// every opening (Cli_cot05005::CriaSistemasLinha).
class TfrmSistemasLinha : public TCheckListDialog {
    Q_OBJECT
public:
    // `inserting`: the line is not stored yet, so the choice goes back to the screen.
    TfrmSistemasLinha(ProposalReach& screen, bool inserting, QWidget* parent = nullptr);

    // ----- lifetime
    void FormCreate() override;
    void FormShow() override;
    void FormClose(CloseAction& action) override;

    // ----- list and marks (systems_marks.cpp)
    // Loads the systems of the chosen platform for the line's kind.
    void Identificador();
    // Marks `T` the systems already on the line; cursor back on the first row.
    void VerificaPreenchidos();
    // Another platform: the list again, with the line's and the user's marks on it.
    void rdbPlataformaClick();
    // Checks or unchecks the current system (cell click on the mark, Space).
    void MarcaSistema();
    // Checks every system, or unchecks them on the next call (title click, Ctrl+Space).
    void MarcaTodos();
    // The last select-all checked everything.
    bool allChecked() const { return allChecked_; }

    // ----- confirmation (systems_confirm.cpp)
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;
    // Something checked, and no other line of the client with this configuration.
    void VerificaLinhaProduto();

    // The checked systems, sorted, blank-separated.
    QString checkedCodes() const;
    // The codes sent to the configuration check: the line's systems and the checked ones.
    QString configurationCodes() const;

    TPanel* panPlataforma;
    TRadioButton *rdbDos, *rdbWin, *rdbWeb, *rdbAsp;
    TSpeedButton* sbtProcurar;
    TDBGrid* dbgServico;
    // The list (IDCHECK: N, S, T or empty), the checked systems in checking order and
    // the configuration check's answer.
    ClientTable *cdsSistema, *cdsSistemaOrdena, *cdsVdLinProd;
    DataSource* dtsSistema;

private:
    void createTables();
    void createControls();
    void dbgServicoDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state);
    void checkCurrent() override { MarcaSistema(); }
    void checkAll() override { MarcaTodos(); }
    // Greying of an access-point line, which takes a single new system.
    void reapplyAccessPoint();
    bool accessPointLine() const;
    // Writes the checked systems to the stored line, one by one.
    void writeToLine();
    // Hands the checked systems to the proposal screen for the line being inserted.
    void handBackToScreen();
    // What leaving without confirming undoes and tells the screen.
    void giveUp();

    const bool inserting_;
    bool allChecked_ = false;
    ProposalReach& screen_;
};

namespace Cli_cot05005 {

// Builds the dialog on `screen` (hourglass meanwhile), shows it modally and frees it.
// `inserting`: the line is not stored yet. A failure while building reaches the caller.
void CriaSistemasLinha(ProposalReach& screen, bool inserting);

}  // namespace Cli_cot05005

}  // namespace cot
