// Confirming the approval: the checks, the final question, the acceptance in one server
// call, the list reloaded on the accepted proposal, the e-mails and the success message.
// Cancelling, and the factory.
#include "approval/approval_email.h"
#include "approval/dialog/approval_dialog.h"
#include "base/errors.h"
#include "data/client_table.h"
#include "data/proposal_number.h"
#include "dialogs/filter_reload.h"
#include "dialogs/shown_dialog.h"
#include "reach/proposal_reach.h"
#include "services/consiste.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/date_edit.h"
#include "ui/edits.h"
#include "ui/event_boundary.h"
#include "ui/modal_once.h"
#include "ui/screen.h"

namespace cot {

namespace {

QString textOf(const ClientTable& t, const char* field) {
    const Field* f = t.findField(QString::fromLatin1(field));
    return f ? f->asString().trimmed() : QString();
}

}  // namespace

void TfrmAprovacao::sbtConfirmaClick() {
    ProposalReach& s = screen_;
    // The proposal being approved, whatever the list does from here on.
    const QString nr = s.key().nr, ver = s.key().ver;
    nr_ = nr;
    ver_ = ver;
    const QDate date = approvalDate();
    checkProspectFields();
    const QDateTime created = s.proposal()[QStringLiteral("DTPROPOSFAS")].asDateTime();
    if (created.isValid() && date < created.date()) fail(QStringLiteral("Data_Maior"), depDataCadIni);
    QString personKind;
    if (isProspect()) checkClientRegister(personKind);
    checkGraceMonths(date);
    const QString contract = textOf(s.proposal(), "IDTIPOPROPFAS");
    const QString charging = textOf(s.proposal(), "IDTIPOCOBRSERV");
    if (contract == QLatin1String("M")) checkLicenceDueDates(date);
    if (charging == QLatin1String("P")) checkServiceDueDates(date);
    // The dialog stays up under the final question: an answer other than yes leaves it as
    // it was, with what was typed.
    repaint();
    if (contract == QLatin1String("M") && !confirmLines()) return;
    accept(date, nr, ver, personKind);
}

void TfrmAprovacao::accept(const QDate& date, const QString& nr, const QString& ver, const QString& personKind) {
    ProposalReach& s = screen_;
    ClientTable& p = s.proposal();
    const bool prospect = isProspect();
    QVariantList args{nr,
                      ver,
                      textOf(p, "CODIGO"),
                      QDateTime(date, QTime(0, 0)),
                      textOf(p, "NRMESREAJPROP"),
                      Session::instance().branch(),
                      Session::instance().operatorCode()};
    if (prospect) {
        // The prospect becomes a client inside the acceptance: both or neither are written.
        const QString inscription = medInscricao->text();
        args << QVariant(QVariantList{textOf(p, "CDPROSPECT"), inscription, medRazSocClie->text(),
                                      medComplemento->text(), medNmFantClie->text(), personKind,
                                      personKind + inscription, Session::instance().operatorCode()});
    }
    s.dialogParent().repaint();
    {
        BusyScope busy;
        s.net().callChecked(QStringLiteral("AceiteProposta"), args);
        // The acceptance is committed: whatever fails from here on is shown by its own
        // boundary and the dialog still closes as done, never left offering to accept again.
        if (prospect)
            runHandler([] { Session::instance().markTablesChanged({QStringLiteral("CLIENTE"), QStringLiteral("ENDECLIE")}); });
        // A failed reload keeps the list's rows as they were, the proposal among them.
        runHandler([this] { Cli_cot05002::Atualiza_Tela(screen_); });
    }
    const bool found = p.locate(QStringLiteral("NRPROPOSFAS;NRVERPROPFAS"), {nr, ver}, loCaseInsensitive);
    closeWith(mrOk);
    if (!found) {
        // Recorded, but the list no longer shows it: no notification about another proposal.
        Consiste::MensErro(msgPadrao.Msg(QStringLiteral("Aceite_NaoLocalizado"), {shortProposalNumber(nr, ver)}));
        return;
    }
    reportSuccess(shortProposalNumber(nr, ver));
}

void TfrmAprovacao::reportSuccess(const QString& number) {
    ProposalReach& s = screen_;
    const ClientTable& p = s.proposal();
    const bool licence = textOf(p, "IDTIPOPROPFAS") == QLatin1String("M");
    const bool package = textOf(p, "IDTIPOCOBRSERV") == QLatin1String("P");
    Dialogs& dialogs = Dialogs::current();
    // Those in charge hear of a licence or a package; the client and the salesperson of
    // every approval (GeraEmail sends what applies).
    approval::ApprovalEmailData data;
    data.proposal = approval::ProposalEmailValues::fromRecord(p);
    if (licence) data.lines = approval::productLinesOf(*cdsLinhaProduto);
    data.linesTotal = exTotalLinhas;
    data.valorWord = msgPadrao.Msg(QStringLiteral("valor"));
    // The SMTP dialogue goes off this thread: the screens keep painting under the busy window.
    approval::BackgroundMailSender background(mailSender ? *mailSender : defaultMailSender());
    const approval::ApprovalEmailResult sent =
        approval::GeraEmail(data, approval::paramsFrom(s.net()), background, {}, [&s, &data] {
            return approval::partiesFrom(s.net(), Session::instance().branch(), data.proposal.number, data.proposal.version);
        });
    if (!licence && !package) {
        msgPadrao.ShowMsg(QStringLiteral("Aprovacao_Sucesso"), DialogType::Information, mbOK);
    } else {
        const QString key = licence && package ? QStringLiteral("AprovaLUSERV_Sucesso")
                            : licence          ? QStringLiteral("AprovaLU_Sucesso")
                                               : QStringLiteral("AprovaSERV_Sucesso");
        dialogs.messageDlg(msgPadrao.Msg(key, {number}), DialogType::Information, mbOK);
    }
    // The acceptance stands; a notification that did not go out is named afterwards.
    if (!sent.ok()) dialogs.messageDlg(sent.warning(msgPadrao), DialogType::Warning, mbOK);
}

void TfrmAprovacao::sbtCancelarClick() {
    if (msgPadrao.ShowMsg(QStringLiteral("Canc"), DialogType::Confirmation, mbYes | mbNo) != mrYes) return;
    closeWith(mrCancel);
}

void TfrmAprovacao::sbtCancelClick() { sbtCancelarClick(); }

namespace Cli_cot05003 {

void CriaAprovacao(ProposalReach& screen) {
    if (TfrmAprovacao* open = shownDialog<TfrmAprovacao>(screen)) {
        open->raise();
        open->activateWindow();
        return;
    }
    QPointer<TfrmAprovacao> dialog;
    {
        HourGlass hourGlass;
        dialog = createForm<TfrmAprovacao>(screen, &screen.dialogParent());
    }
    // Closing hides it, so the next call builds a fresh dialog; this one goes on every path
    // out (unless the screen that owns it took it along).
    const ModalOnce<TfrmAprovacao> once(dialog);
    dialog->ShowModal();
}

}  // namespace Cli_cot05003

}  // namespace cot
