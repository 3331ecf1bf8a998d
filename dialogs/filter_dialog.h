#pragma once
class QComboBox;

#include "dialogs/filter_criteria.h"
#include "screens/filtro_padrao.h"

namespace cot {

class ClientTable;
class DataSource;
class ProposalReach;
class TCheckBox;
class TDateEditPlus;
class TEdit;
class TGroupBox;
class TRadioButton;
class TSpeedButton;

// Proposal filter (COT05002): chooses which proposals the proposal screen lists. Built
// once and kept by the list's ListFilter: closing only hides it, so its criteria survive
// between openings.
// `Filtro` holds the criteria as last confirmed; the controls are reset from it each time
// the dialog is shown, and leaving without confirming puts them back.
class TfrmFiltroPropComercial : public TfrmFiltroPadrao {
    Q_OBJECT
public:
    explicit TfrmFiltroPropComercial(QWidget* parent = nullptr);
    ~TfrmFiltroPropComercial() override;

    // Shows it modally for `screen`, whose list it filters while it is open.
    void showFor(ProposalReach& screen);
    void FormActivate() override;
    // Closing the window otherwise than by its buttons is a Cancel.
    void FormClose(CloseAction& action) override;
    // Confirm: checks, keeps the criteria, reloads the list and closes.
    void sbtConfirmaClick() override;
    // Leaving without confirming: the last confirmed criteria come back, the list is
    // reloaded with them and the dialog closes.
    void sbtCancelClick() override;
    // Saved option sets also keep the three selection texts.
    void btfSaveOpcClick() override;
    void btfLoadOpcClick() override;

    // true: controls → Filtro; false: Filtro → controls.
    void Atualiza_Filtro(bool fromControls);
    // The criteria the controls show now.
    Cli_cot05002::TFILTRO controlsState() const;

    // Dates typed in part are refused as on leaving their edit; then each period's ends.
    void Vd_Data();
    void Vd_ListaCliente();
    void Vd_ListaProspect();
    void Vd_ListaContato();
    void Vd_Status();

    void sbtListClienteClick();
    void sbtListProspectClick();
    void sbtListContatoClick();

    Cli_cot05002::TFILTRO Filtro;
    // Selection texts of the three lists (empty while "Todos" is chosen).
    QString stCliente, stProspect, stContato;
    // Server arguments as last built by the reload.
    Cli_cot05002::FilterArguments argumentos;

    TDateEditPlus *depDataCadIni, *depDataCadFin, *depDataAprovIni, *depDataAprovFin, *depValidaIni, *depValidaFin;
    TRadioButton *rbtTodosCliente, *rbtListaCliente, *rbtTodosProspect, *rbtListaProspect;
    TRadioButton *rbtTodosContato, *rbtListaContato;
    TSpeedButton *sbtListCliente, *sbtListProspect, *sbtListContato;
    TCheckBox *ckbTodas, *ckbVencidas, *ckbValidas, *ckbAVencer, *ckbSubstituidas, *ckbPerdidas;
    TCheckBox *ckbContTodas, *ckbLuManut, *ckbServico, *ckbLocacao;
    TEdit* edtReferencia;
    // The salesperson's code; empty for any (see TDADOSVENDEDOR).
    TEdit* edtVendedor;
    // The client's decision: "Todas", "Aceita pelo cliente", "Recusada pelo cliente",
    // "Sem decisão" (codes T, A, R, N as the items' data).
    QComboBox* cbbDecisaoCliente;
    ClientTable *cdsCliente, *cdsProspect, *cdsContato;
    DataSource *dtsCliente, *dtsProspect, *dtsContato;

private:
    void createControls();
    void createTables();
    void wireGroups();
    void finish(bool confirmed);
    // The list again with the confirmed criteria; the child tables close when it is empty.
    void reloadList();
    ProposalReach* screen_ = nullptr;  // the screen it is shown for, while open
    bool updating_ = false;
    bool finishing_ = false;  // closing from Confirm or Cancel, which did their own work
};

}  // namespace cot
