// The maintenance buttons of the proposal screen.
#include "data/client_dataset.h"
#include "dialogs/filter_reload.h"
#include "proposal/cli_cot05000.h"
#include "proposal/product_line_controller.h"
#include "proposal/proposal_screen.h"
#include "proposal/services_controller.h"
#include "services/consiste.h"
#include "services/errors.h"
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

void TfrmPropostaComercial::sbtIncluirClick() {
    Cli_cot05000::boTestaEst = false;
    if (pgcPadrao->activePage() == tshPadrao && !hasFocus(dbgPadrao)) showPage(tshProposta);
    TfrmPadraoGrid::sbtIncluirClick();
    TTabSheet* page = pgcPadrao->activePage();
    // A new proposal gets the next version of its number.
    if (page == tshProposta && cdsProposta->state() == DataSetState::Insert) {
        cdsMaxVerPropFas->setData(
            netProposta.getPacket(QStringLiteral("getMaxVerPropFas"), {(*cdsProposta)["NRPROPOSFAS"].asString()}));
        if (!cdsMaxVerPropFas->isEmpty()) dbeVersao->setText((*cdsMaxVerPropFas)["NRVERPROPFAS"].asString());
    }
    if (page == tshSimulaLinp && hasFocus(dbgSimulacao) && isEditing(cdsSimulacao)) {
        cdsMaxOrdSimula->setData(netProposta.getPacket(QStringLiteral("GetMaxOrdSimula"), {NR(), VER()}));
        if (!cdsMaxOrdSimula->isEmpty())
            (*cdsSimulacao)["NRORDSIMULAPROP"].setValue((*cdsMaxOrdSimula)["NRORDSIMULAPROP"].value());
    } else if (page == tshSimulaLinp && hasFocus(dbgProdSimulaLinp) && isEditing(cdsProdSimulaLinp)) {
        const QString simulation = cdsSimulacao->isEmpty() ? QString() : (*cdsSimulacao)["NRSIMULAPROP"].asString();
        cdsMaxOrdProdSimula->setData(
            netProposta.getPacket(QStringLiteral("GetMaxOrdProdSimula"), {NR(), VER(), simulation}));
        if (!cdsMaxOrdProdSimula->isEmpty())
            (*cdsProdSimulaLinp)["NRORDLINPSIMULA"].setValue((*cdsMaxOrdProdSimula)["NRORDLINPSIMULA"].value());
    }
    if (page == tshProposta && pgcDados->activePage() == tshDados && pgcDadosCont->activePage() == tshFormulario) {
        nedVrComDesconto->clear();
        nedVrComDescontoManut->clear();
    }
}

void TfrmPropostaComercial::sbtAlterarClick() {
    TfrmPadraoGrid::sbtAlterarClick();
    Cli_cot05000::boTestaEst = false;
}

void TfrmPropostaComercial::sbtExcluirClick() {
    TfrmPadraoGrid::sbtExcluirClick();
    Cli_cot05000::boTestaEst = false;
    if (pgcPadrao->activePage() == tshProposta && pgcDados->activePage() == tshServico)
        deleteLastServiceOfPackage();
}

void TfrmPropostaComercial::deleteLastServiceOfPackage() {
    if (!cdsServico->active() || !cdsServico->isEmpty()) return;
    if ((*cdsProposta)["IDTIPOCOBRSERV"].asString() != QLatin1String("P")) return;
    // With no service left the package is worth nothing and has no installments.
    ClientDataSet::Event check = cdsProposta->beforePost;
    cdsProposta->beforePost = nullptr;
    try {
        cdsProposta->edit();
        (*cdsProposta)["VRPACOTESERV"].setAsFloat(0);
        cdsProposta->post();
    } catch (...) {
        if (isEditing(cdsProposta)) cdsProposta->cancel();
        cdsProposta->beforePost = check;
        throw;
    }
    cdsProposta->beforePost = check;
    cdsVencServ->setData(netProposta.getPacket(QStringLiteral("GetVenc_Valor"), {NR(), VER(), QString(), 2}));
    cdsVencServ->first();
    while (!cdsVencServ->isEmpty()) cdsVencServ->deleteRecord();
}

void TfrmPropostaComercial::confirmDistinctDates(ClientDataSet& schedule, ClientDataSet& copy,
                                                  const QString& dateField, TDBGrid* grid) {
    if (!schedule.active()) return;
    if (isEditing(&schedule)) schedule.post();
    copy.setData(schedule.data());
    QStringList dates;
    for (int r = 0; r < schedule.rowCount(); ++r) {
        ClientDataSet::RowView view(schedule, r);
        if (!schedule[dateField].isNull()) dates << schedule[dateField].asString();
    }
    for (const QString& date : dates) {
        copy.setFilter(dateField + QStringLiteral(" ='") + date + u'\'');
        copy.setFiltered(true);
        const bool repeated = copy.recordCount() > 1;
        copy.setFiltered(false);
        copy.setFilter(QString());
        if (repeated) {
            if (schedule.controlsDisabled()) schedule.enableControls();
            if (grid->canFocus()) grid->setFocus();
            grid->setSelectedField(dateField);
            Consiste::MensErro(msgPadrao.Msg(QStringLiteral("DATAJACAD")), true);
        }
    }
}

void TfrmPropostaComercial::sbtConfirmarClick() {
    // 1. Product-line installments: no two on the same day.
    confirmDistinctDates(*cdsVenc_Valor, *cdsAux, QStringLiteral("DTVELUSOPEDP"), dbgVencimento);
    if (pgcDadosCont->activePage() == tshFormulario && hasFocus(dbgVencimento)) productLine->Confirma_Venc();
    // 2. Package installments likewise.
    confirmDistinctDates(*cdsVencServ, *cdsAuxVencServ, QStringLiteral("DTVENCSERVPROP"), dbgVencPacote);
    if (pgcServicoGeral->activePage() == tshServicoPrincipal && hasFocus(dbgVencPacote)) services->Confirma_VencServ();
    // 3. Post the active table (its after-post sends it).
    TfrmPadraoGrid::sbtConfirmarClick();
    // 4. Reload the list, keeping the current proposal.
    Cli_cot05002::Atualiza_Tela();
    // 5.
    Cli_cot05000::boTestaEst = false;
}

void TfrmPropostaComercial::sbtCancelarClick() {
    if (hasFocus(dbgVencimento)) {
        const int answer = msgMensagensPadroes.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo);
        if (answer != mrYes) {
            // Kept as they are: nothing is reloaded over the user's edits.
            Cli_cot05000::boTestaEst = false;
            return;
        }
        if (mnuConfirmar->enabled()) {
            if (isEditing(cdsVenc_Valor)) cdsVenc_Valor->cancel();
            cdsVenc_Valor->cancelUpdates();
        }
    } else {
        TfrmPadraoGrid::sbtCancelarClick();
    }
    if (!isEditing(activeTable())) {
        if (servicoSomente()) pgcDados->setActivePage(tshServico);
        cdsPropostaAfterScroll();
    }
    Cli_cot05000::boTestaEst = false;
}

void TfrmPropostaComercial::sbtFiltroClick() {
    Cli_cot05002::CriaFiltroPropComercial();
    if (pgcPadrao->activePage() != tshPadrao) {
        showPage(tshPadrao);
        pgcPadraoChange();
    }
    if (dbgPadrao->canFocus()) dbgPadrao->setFocus();
}

void TfrmPropostaComercial::sbtAprovacaoClick() {
    if (onAprovacao) onAprovacao();
}

void TfrmPropostaComercial::sbtCopiarClick() {
    if (onCopiar) onCopiar();
}

void TfrmPropostaComercial::sbtModoProcClick() {
    if (onModoProc) onModoProc();
}

}  // namespace cot
