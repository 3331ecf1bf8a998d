// Checks, list searches and confirmation of the proposal filter.
#include <algorithm>

#include "base/errors.h"
#include "data/client_table.h"
#include "data/data_source.h"
#include "dialogs/filter_dialog.h"
#include "dialogs/filter_reload.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/lookup.h"
#include "ui/modal_runner.h"

namespace cot {

namespace {

// Focuses the control and ends the confirmation with the catalogue text of `key`.
[[noreturn]] void refuse(const TMessages& messages, Control* control, const char* key) {
    if (control && control->canFocus()) control->setFocus();
    Consiste::MensErro(messages.Msg(QString::fromLatin1(key)), true);
    throw Abort();  // MensErro with abort never returns; kept for the compiler
}

}  // namespace

void TfrmFiltroPropComercial::Vd_Data() {
    struct Period {
        TDateEditPlus *from, *to;
        const char *startKey, *endKey, *orderKey;
    };
    const Period periods[] = {
        {depDataCadIni, depDataCadFin, "DATCADINI_INF", "DATCADFIM_INF", "DATCAD_MAIOR"},
        {depDataAprovIni, depDataAprovFin, "DATAPROVINI_INF", "DATAPROVFIM_INF", "DATAPROV_MAIOR"},
        {depValidaIni, depValidaFin, "DATVALINI_INF", "DATVALFIM_INF", "DATVAL_MAIOR"},
    };
    // A date typed in part is not an empty one: it would be dropped without a word. The
    // edit being typed in goes first, as leaving it would check it before any other.
    QList<TDateEditPlus*> edits;
    for (const Period& p : periods) edits << p.from << p.to;
    std::stable_partition(edits.begin(), edits.end(), [](const TDateEditPlus* e) { return e->hasFocus(); });
    for (TDateEditPlus* edit : edits) {
        try {
            edit->beforeExit();
        } catch (const UserError& e) {
            if (edit->canFocus()) edit->setFocus();
            Consiste::MensErro(e.text(), true);
            throw Abort();  // MensErro with abort never returns; kept for the compiler
        }
    }
    for (const Period& p : periods) {
        if (p.from->isEmpty() && !p.to->isEmpty()) refuse(msgPadrao, p.from, p.startKey);
        if (!p.from->isEmpty() && p.to->isEmpty()) refuse(msgPadrao, p.to, p.endKey);
    }
    for (const Period& p : periods)
        if (!p.from->isEmpty() && !p.to->isEmpty() && p.to->date() < p.from->date())
            refuse(msgPadrao, p.from, p.orderKey);
}

void TfrmFiltroPropComercial::Vd_ListaCliente() {
    if (rbtListaCliente->isChecked() && stCliente.isEmpty()) refuse(msgPadrao, rbtListaCliente, "Cliente_deve");
}

void TfrmFiltroPropComercial::Vd_ListaProspect() {
    if (rbtListaProspect->isChecked() && stProspect.isEmpty()) refuse(msgPadrao, rbtListaProspect, "Prospect_deve");
}

void TfrmFiltroPropComercial::Vd_ListaContato() {
    if (rbtListaContato->isChecked() && stContato.isEmpty()) refuse(msgPadrao, rbtListaContato, "Contato_Deve");
}

void TfrmFiltroPropComercial::Vd_Status() {
    if (!ckbTodas->isChecked() && !ckbVencidas->isChecked() && !ckbValidas->isChecked() && !ckbAVencer->isChecked() &&
        !ckbSubstituidas->isChecked() && !ckbPerdidas->isChecked())
        refuse(msgPadrao, nullptr, "Status_Deve");
    if (!ckbContTodas->isChecked() && !ckbLuManut->isChecked() && !ckbServico->isChecked() &&
        !ckbLocacao->isChecked())
        refuse(msgPadrao, nullptr, "Cont_Status_Deve");
}

void TfrmFiltroPropComercial::sbtListClienteClick() {
    if (!screen_) return;
    cdsCliente->setData(screen_->net().getPacket(QStringLiteral("GetPesqCliente")));
    stCliente = Pesqlista::PesquisaLista(*dtsCliente, QStringLiteral("CDCLIENTE|") + msgPadrao.Msg(QStringLiteral("Cliente")) +
                                                          u'|' + msgPadrao.Msg(QStringLiteral("Cliente_NCad")));
}

void TfrmFiltroPropComercial::sbtListProspectClick() {
    if (!screen_) return;
    cdsProspect->setData(screen_->net().getPacket(QStringLiteral("GetPesqProspect")));
    stProspect = Pesqlista::PesquisaLista(*dtsProspect, QStringLiteral("CDPROSPECT|") +
                                                            msgPadrao.Msg(QStringLiteral("Prospect")) + u'|' +
                                                            msgPadrao.Msg(QStringLiteral("Prospect_NCad")));
}

void TfrmFiltroPropComercial::sbtListContatoClick() {
    if (!screen_) return;
    cdsContato->setData(screen_->net().getPacket(QStringLiteral("GetPesqCont")));
    stContato = Pesqlista::PesquisaLista(*dtsContato, QStringLiteral("NRCONTATO|") + msgPadrao.Msg(QStringLiteral("Contato")) +
                                                          u'|' + msgPadrao.Msg(QStringLiteral("Contato_N_Cad")));
}

void TfrmFiltroPropComercial::sbtConfirmaClick() {
    Vd_Data();
    Vd_ListaCliente();
    Vd_ListaProspect();
    Vd_ListaContato();
    Vd_Status();
    Atualiza_Filtro(true);
    finish(true);
}

void TfrmFiltroPropComercial::sbtCancelClick() {
    Atualiza_Filtro(false);
    finish(false);
}

void TfrmFiltroPropComercial::reloadList() {
    if (!screen_) return;
    Cli_cot05002::Atualiza_Tela(*screen_);
    // Nothing listed: the child tables must not show another proposal's rows.
    if (screen_->proposal().isEmpty()) screen_->clearAreas();
}

void TfrmFiltroPropComercial::finish(bool confirmed) {
    reloadList();
    finishing_ = true;
    closeWith(confirmed ? mrOk : mrCancel);
    finishing_ = false;
}

}  // namespace cot
