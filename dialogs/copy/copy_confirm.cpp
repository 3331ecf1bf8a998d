// Confirming and cancelling the copy dialog, and its factory.
#include <exception>

#include "data/client_table.h"
#include "dialogs/copy/copy_dialog.h"
#include "dialogs/filter_reload.h"
#include "dialogs/shown_dialog.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

void TfrmCopiaProposta::sbtConfirmaClick() {
    ProposalReach& s = screen_;
    if (typedVersion().isEmpty()) failOnVersion(QStringLiteral("Ver_Inf"));
    Vd_Proposta(true);

    const QString nr = s.key().nr, source = s.key().ver, target = typedVersion();
    // The server checks the version again inside its copy: a copy that took it since the
    // check above, or a proposal at its last version, is refused there. The refusal is
    // shown and the dialog stays as it is, version field focused, list untouched.
    std::exception_ptr refusal;
    {
        BusyScope busy;
        try {
            s.net().callChecked(QStringLiteral("CopiaDados"),
                                {Session::instance().branch(), nr, source, target, QStringLiteral("N")});
        } catch (...) {
            refusal = std::current_exception();
        }
        if (!refusal) {
            // The copy is committed: a reload that fails is shown on its own and the dialog
            // still closes as done, never left to try the version again.
            runHandler([&s] { Cli_cot05002::Atualiza_Tela(s); });
            s.proposal().locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {nr, target}, loCaseInsensitive);
            closeWith(mrOk);
            msgPadrao.ShowMsg(QStringLiteral("Copia_Sucesso"), DialogType::Information, mbOK);
        }
    }
    if (refusal) {
        // The busy window is gone: the dialog takes the keyboard back.
        activateWindow();
        if (medVersao->isVisible()) medVersao->setFocus();
        std::rethrow_exception(refusal);
    }
}

void TfrmCopiaProposta::sbtCancelarClick() {
    if (msgPadrao.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    closeWith(mrCancel);
}

void TfrmCopiaProposta::sbtCancelClick() { sbtCancelarClick(); }

namespace Cli_cot05004 {

void CriaCopiaProposta(ProposalReach& screen) {
    if (TfrmCopiaProposta* open = shownDialog<TfrmCopiaProposta>(screen)) {
        open->raise();
        open->activateWindow();
        return;
    }
    QPointer<TfrmCopiaProposta> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmCopiaProposta>(screen, &screen.dialogParent());
    }
    // Closing hides it, so the next call builds a fresh dialog; this one goes on every path
    // out (unless the screen that owns it took it along).
    const ModalOnce<TfrmCopiaProposta> once(dialog);
    dialog->ShowModal();
}

}  // namespace Cli_cot05004

}  // namespace cot
