// Confirming and leaving the standard-text dialog, and its factory.
#include "base/dialogs.h"
#include "data/client_table.h"
#include "data/standard_text_answer.h"
#include "dialogs/shown_dialog.h"
#include "dialogs/texts/standard_text_dialog.h"
#include "reach/proposal_reach.h"
#include "rpc/check_result.h"
#include "services/consiste.h"
#include "ui/busy_animation.h"
#include "ui/db_grid.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

namespace {

const QString kMark = QStringLiteral("IDCHECK");
const QString kNotCompiled = QStringLiteral("TipComp_Inf");

}  // namespace

void TfrmInsTextoProp::Vd_Mensagem() {
    cdsMensagem->setFiltered(true);
    if (!cdsMensagem->isEmpty()) return;
    cdsMensagem->setFiltered(false);
    if (dbgServico->canFocus()) dbgServico->setFocus();
    Consiste::MensErro(msgPadrao.Msg(QStringLiteral("SERV_NULO")));
}

void TfrmInsTextoProp::sbtConfirmaClick() {
    ProposalReach& s = screen_;
    const QString nr = s.key().nr, ver = s.key().ver;
    Vd_Mensagem();
    {
        // The list shows the checked texts only while they go: back to all of them, and
        // redrawn, on every path out.
        struct Unfilter {
            ClientTable& t;
            ~Unfilter() { t.setFiltered(false); }
        } unfilter{*cdsMensagem};
        ControlsOff off(*cdsMensagem);
        BusyScope busy;
        // One text per call, in the list's order. A text the server took is unchecked at
        // once (and leaves the filtered list), so confirming again after a refusal further
        // on sends only what is missing. A text the proposal already has is skipped the
        // same way, and named when all went in.
        while (!cdsMensagem->isEmpty()) {
            cdsMensagem->first();
            const QString code = (*cdsMensagem)[QStringLiteral("CDPADTXT")].asString();
            const QString answer = s.net()
                                       .callChecked(QStringLiteral("InsTextoProp"),
                                                    {nr, ver, code, (*cdsMensagem)[QStringLiteral("TXPADTXT")].asString()})
                                       .toString();
            if (const QString shown = code.trimmed(); answer == standardTextAlreadyInProposal(shown)) {
                if (!alreadyThere_.contains(shown)) alreadyThere_ << shown;
            } else {
                if (answer.compare(kNotCompiled, Qt::CaseInsensitive) == 0)
                    Consiste::MensErro(msgPadrao.Msg(kNotCompiled));
                if (!answer.isEmpty()) Consiste::CheckResultServ(RpcResult::failure(answer, 0));
                ++inserted_;
            }
            cdsMensagem->edit();
            (*cdsMensagem)[kMark].setAsString(QStringLiteral("N"));
            cdsMensagem->post();
        }
    }
    if (!alreadyThere_.isEmpty())
        Dialogs::current().information(
            alreadyThere_.size() == 1
                ? QStringLiteral("O texto padrão %1 já estava na proposta e não foi incluído de novo.")
                      .arg(alreadyThere_.first())
                : QStringLiteral("Os textos padrão %1 já estavam na proposta e não foram incluídos de novo.")
                      .arg(alreadyThere_.join(QStringLiteral(", "))));
    closeWith(mrOk);
}

void TfrmInsTextoProp::sbtCancelClick() {
    // A systems row the proposal screen is editing for its current line is given up too.
    ClientTable& systems = screen_.lineSystems();
    if (systems.isEditing()) systems.cancel();
    TfrmRotiGeral::sbtCancelClick();
}

namespace Cli_cot05008 {

void CriaInsTextoProp(ProposalReach& screen) {
    if (TfrmInsTextoProp* open = shownDialog<TfrmInsTextoProp>(screen)) {
        open->raise();
        open->activateWindow();
        return;
    }
    QPointer<TfrmInsTextoProp> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmInsTextoProp>(screen, &screen.dialogParent());
    }
    // Freed on every path out, unless the screen that owns it has taken it along meanwhile.
    const ModalOnce<TfrmInsTextoProp> once(dialog);
    dialog->ShowModal();
    if (dialog) dialog->setWindowState(Qt::WindowNoState);
    // The texts added are on the server only: the screen reads them back where it shows them.
    if (dialog && dialog->inserted() > 0) screen.reloadTexts();
}

}  // namespace Cli_cot05008

}  // namespace cot
