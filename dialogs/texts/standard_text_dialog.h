#pragma once
#include <QPixmap>
#include <QPointer>
#include <QStringList>

#include "dialogs/check_list.h"
#include "ui/db_grid_columns.h"

class QPainter;

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TDBGrid;
class TPanel;
class TSpeedButton;

// Standard texts of the proposal (COT05008): lists the register of standard texts, lets the
// user check the ones wanted and adds each checked text to the proposal version under the
// proposal screen's cursor (InsTextoProp), one call per text in the list's order.
//
// A text the server took is unchecked at once: confirming again after a refusal further
// on sends only the texts still missing. A text the proposal already has is skipped (and
// unchecked) without stopping the rest; those skipped are named once, when all went in. The dialog writes on the server only; the
// proposal screen reads its texts again when it shows them (Cli_cot05008::CriaInsTextoProp).
class TfrmInsTextoProp : public TCheckListDialog {
    Q_OBJECT
public:
    // Adds to the proposal under `screen`'s cursor.
    explicit TfrmInsTextoProp(ProposalReach& screen, QWidget* parent = nullptr);

    // ----- lifetime
    void FormCreate() override;
    void FormShow() override;
    void FormClose(CloseAction& action) override;

    // ----- marks (S checked, N not checked)
    // The current text: N becomes S and S becomes N (cell click on the mark, Space).
    void MarcaTexto();
    // Every text checked, or unchecked on the next call (title click, Ctrl+Space).
    void MarcaTodos();
    // The last check-all checked everything.
    bool allChecked() const { return allChecked_; }

    // ----- confirmation (standard_text_confirm.cpp)
    void sbtConfirmaClick() override;
    void sbtCancelClick() override;
    // Something is checked: leaves cdsMensagem filtered to the checked texts.
    void Vd_Mensagem();
    // Texts the server has taken since the dialog opened.
    int inserted() const { return inserted_; }

    TPanel* panProcura;
    TSpeedButton* sbtProcurar;
    TDBGrid* dbgServico;
    ClientTable* cdsMensagem;
    DataSource* dtsMensagem;
    // Glyphs of the marks: checked, not checked, and any other value.
    QPixmap imgCheck, imgUncheck, imgDescheck;

private:
    void createTables();
    void createControls();
    void dbgServicoDrawColumnCell(QPainter& painter, const QRect& rect, TColumn& column, GridDrawStates state);
    void checkCurrent() override { MarcaTexto(); }
    void checkAll() override { MarcaTodos(); }

    int inserted_ = 0;
    bool allChecked_ = false;
    QStringList alreadyThere_;  // codes the proposal already had, to be named at the end
    ProposalReach& screen_;
};

namespace Cli_cot05008 {

// Builds the dialog on `screen` (hourglass meanwhile), shows it modally and frees it; then
// the screen reads its texts again if its texts page is shown; a second call while it is
// open only brings it up. Works on the proposal under the screen's cursor. A failure while
// building reaches the caller.
void CriaInsTextoProp(ProposalReach& screen);

}  // namespace Cli_cot05008

}  // namespace cot
