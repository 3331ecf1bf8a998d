// Menu and button enabling, and the colours of the product-line form.
#include "data/client_dataset.h"
#include "data/data_source.h"
#include "proposal/product_line_controller.h"
#include "proposal/proposal_screen.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/format_panel.h"
#include "ui/rich_edit.h"
#include "ui/date_edit.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/menus.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"

namespace cot {

namespace {

bool isEditing(const ClientDataSet* t) {
    return t && (t->state() == DataSetState::Edit || t->state() == DataSetState::Insert);
}

}  // namespace

void TfrmPropostaComercial::dtsPadraoStateChange() {
    // The base screen first enables its entries for the state of the active table;
    // the screen then settles what depends on the page.
    TfrmPadraoGrid::dtsPadraoStateChange();
    if (!mnuOpcoes) return;  // still being built
    TTabSheet* page = pgcPadrao->activePage();
    const bool proposal = cdsProposta->active() && !cdsProposta->isEmpty();
    bool filtro = false, proposalActions = false, regera = false;

    if (page == tshTexto) {
        if (isEditing(cdsMensagem)) {
            for (TMenuItem* m : {mnuIncluir, mnuAlterar, mnuExcluir, mnuProcurar, mnuVerificar}) m->setEnabled(false);
            mnuCancelar->setEnabled(true);
            mnuConfirmar->setEnabled(true);
            if (TColumn* c = dbgDescProp->columnOf(QStringLiteral("CDTXTPROPFAS"))) {
                c->buttonStyle = ColumnButtonStyle::Ellipsis;
                dbgDescProp->columnsChanged();
            }
        } else if (cdsMensagem->state() == DataSetState::Browse) {
            const bool rows = !cdsMensagem->isEmpty();
            mnuIncluir->setEnabled(true);
            for (TMenuItem* m : {mnuAlterar, mnuExcluir, mnuProcurar}) m->setEnabled(rows);
            mnuVerificar->setEnabled(true);
            mnuCancelar->setEnabled(false);
            mnuConfirmar->setEnabled(false);
            regera = true;
            if (TColumn* c = dbgDescProp->columnOf(QStringLiteral("CDTXTPROPFAS"))) {
                c->buttonStyle = ColumnButtonStyle::Auto;
                dbgDescProp->columnsChanged();
            }
        }
    } else if (page == tshPadrao) {
        // The list is read-only: proposals are changed on the form page. A new proposal,
        // the approval, the copy and the processing mode start from the list.
        mnuAlterar->setEnabled(false);
        mnuExcluir->setEnabled(false);
        mnuProcurar->setEnabled(proposal);
        mnuVerificar->setEnabled(true);
        mnuCancelar->setEnabled(false);
        mnuConfirmar->setEnabled(false);
        filtro = true;
        proposalActions = proposal;
    }
    mnuFiltro->setEnabled(filtro);
    mnuAprovacao->setEnabled(proposalActions && onAprovacao);
    mnuCopiar->setEnabled(proposalActions && onCopiar);
    MododeProcessamento1->setEnabled(proposalActions && onModoProc);
    mnuRegeraTexto->setEnabled(regera);
}

void TfrmPropostaComercial::updateEditors() {
    // Form controls of a child table can be used only while that table is being edited.
    SetChildEnabled(panLinProd, isEditing(cdsLinProd));
    const bool schedule = isEditing(cdsLinProd) || isEditing(cdsVenc_Valor);
    for (QWidget* w : {static_cast<QWidget*>(nedParcelas), static_cast<QWidget*>(depDataVenc),
                       static_cast<QWidget*>(sbtGerarParcelas)})
        w->setEnabled(schedule);
    const bool package = isEditing(cdsServico) || isEditing(cdsVencServ);
    for (QWidget* w : {static_cast<QWidget*>(nedParcPacote), static_cast<QWidget*>(depDtVencPacote),
                       static_cast<QWidget*>(sbtGeraParcPacote)})
        w->setEnabled(package);
    dbrObjServico->setEnabled(isEditing(cdsObjServico));
    fpnObjServico->setEnabled(isEditing(cdsObjServico));
    dbrObs->setEnabled(isEditing(cdsObs));
    fpnObs->setEnabled(isEditing(cdsObs));
}

void TfrmPropostaComercial::Controla_Formulario() {
    const bool lu = rbtLuManut->isChecked();
    const bool rent = rbtLocacao->isChecked();
    const bool kind = rbtTpProduto->isChecked() || rbtTpPtoAcesso->isChecked();
    // 1. Licence prices apply to licence with maintenance.
    const bool licence = lu && kind;
    dbeVrUnitLic->setColor(licence ? ControlColor::InfoBk : ControlColor::BtnFace);
    nedVrComDesconto->setColor(licence ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescLic->setColor(licence ? ControlColor::Window : ControlColor::BtnFace);
    // 2. Monthly prices and the quantity apply to maintenance and to rental.
    const bool monthly = (lu || rent) && kind;
    for (Control* c : {static_cast<Control*>(dbeVrUnitManutLoc), static_cast<Control*>(nedVrComDescontoManut),
                       static_cast<Control*>(dbeQtdeLicenca)})
        c->setColor(monthly ? ControlColor::InfoBk : ControlColor::BtnFace);
    dbeDescManutLoc->setColor(monthly ? ControlColor::Window : ControlColor::BtnFace);
    // 3. Access-point lines have no number of users.
    dbeNrUsuLic->setColor(dbeNrUsuLic->isEnabled() ? ControlColor::InfoBk : ControlColor::BtnFace);
    if (isEditing(cdsLinProd)) {
        const QString type = (*cdsLinProd)["IDTIPLINPP"].asString();
        if (type == QLatin1String("P") || type == QLatin1String("A")) {
            dbeNrUsuLic->setText(QStringLiteral("0"));
            dbeNrUsuLic->setColor(ControlColor::BtnFace);
        } else {
            dbeNrUsuLic->setColor(ControlColor::InfoBk);
        }
    }
    // 4.
    productLine->Controla_Vr_Desconto();
}

}  // namespace cot
