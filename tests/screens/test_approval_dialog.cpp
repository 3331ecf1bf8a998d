// The approval dialog: a client's proposal accepted end to end (charging written, both
// notifications), a prospect registered and accepted in one call, a refusal of the server
// that writes nothing, the grace month and first due-date checks, the final question
// answered no, and a notification that fails after the acceptance.

#include "approval/confirmation/acceptance_confirmation.h"
#include "approval/dialog/approval_dialog.h"
#include "base/errors.h"
#include "dialogs/shown_dialog.h"
#include "screens/proposal_fixture.h"
#include "services/mail_sender.h"
#include "support/call_recorder.h"
#include "support/list_window.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/date_edit.h"
#include "ui/edits.h"
#include "ui/number_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kGrace = QStringLiteral(
    "Operação bloqueada! Mês de carência deve ser maior ou igual ao mês da data de aceite da proposta.");
const QString kVencAce = QStringLiteral(
    "Atenção!!! A data do primeiro vencimento de licença de uso está no período de 15 (quinze) dias após a data de "
    "aceite.");

class ApprovalDialog : public ProposalFixture {
protected:
    void TearDown() override { TfrmAprovacao::mailSender = nullptr; dlg.reset(); calls.detach(); ProposalFixture::TearDown(); }
    // The screen on a proposal and the dialog built over it and shown; calls recorded.
    void open(int n) {
        openOn(n);
        dlg.reset(createForm<TfrmAprovacao>(*screen, screen));
        showAndActivate(*dlg);
        TfrmAprovacao::mailSender = &mail;
        calls.attach(screen->net());
    }
    void confirm(const QDate& date) { dlg->depDataCadIni->setDate(date); clickButton(*dlg->sbtConfirma); }
    // Confirms on `date`, answers the final question yes and acknowledges `notices` messages.
    void approve(const QDate& date, int notices = 1) {
        answerConfirmation(true);
        for (int i = 0; i < notices; ++i) dialogs.expectMessageDlg(mrOk);
        confirm(date);
    }
    // The final question, answered; what it showed is kept.
    void answerConfirmation(bool yes) {
        runner.expect([this, yes](QWidget& w) {
            auto& d = static_cast<TfrmConfAceite&>(w);
            confirmationTotal = d.nedTotal->value();
            confirmationText = d.memInforma->text();
            clickButton(yes ? static_cast<QWidget&>(*d.btnSim) : static_cast<QWidget&>(*d.btnNao));
        }, "frmConfAceite");
    }
    QVariant scalar(const QString& sql, int n) { return testServer().db().scalar(sql, {{"N", number(n)}}); }
    bool accepted(int n) {
        return !scalar("SELECT DTACEPROPFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'", n)
                    .isNull();
    }
    int clients() { return scalar("SELECT COUNT(*) FROM CLIENTE WHERE :N = :N", 0).toInt(); }
    // The prospect's proposal made acceptable: a readjustment month and a schedule ahead.
    void prepareProspect() {
        testServer().db().exec("UPDATE PROPOSTAFAS SET NRMESREAJPROP = '05' WHERE NRPROPOSFAS = :N", {{"N", number(4)}});
        testServer().db().exec("UPDATE VENCLINPPROP SET DTVELUSOPEDP = CASE WHEN VRVELUSOPEDP > 0 AND DTVELUSOPEDP < "
                               "'2026-12-01' THEN '2027-01-16 00:00:00' ELSE '2027-02-16 00:00:00' END "
                               "WHERE NRPROPOSFAS = :N", {{"N", number(4)}});
    }
    QStringList subjects() const { QStringList out; for (const auto& s : mail.sent) out << s.message.subject; return out; }

    std::unique_ptr<TfrmAprovacao> dlg;
    RecordingMailSender mail;
    CallRecorder calls;
    double confirmationTotal = -1;
    QString confirmationText;
};

// The server charges each line's installments as stored: a schedule without the interest,
// or one whose interest was cut to the cent, is what the user consents to and is told.
TEST_F(ApprovalDialog, AClientsProposalIsAcceptedWithItsInstallmentsChargedAndBothNotifications) {
    setLineSchedule(3, {2375, 2375, 2375, 2375});           // four installments, no interest: 9.500,00
    setLineSchedule(4, {330.13, 330.13, 330.13, 330.12});  // 1.301 + 1,5 % cut: 1.320,51
    openOn(2);
    TfrmAprovacao::mailSender = &mail;
    runner.expect([this](QWidget& w) {
        auto& d = static_cast<TfrmAprovacao&>(w);
        EXPECT_EQ(shownDialog<TfrmAprovacao>(*screen), &d) << "the screen finds it open";
        EXPECT_FALSE(d.grbProspect->isVisible()) << "a client's proposal asks only the date";
        EXPECT_EQ(d.lblProposta->text(), "Aprovar a proposta 2/01 — " + screen->proposal()["NOME"].asString().trimmed());
        EXPECT_EQ(d.depDataCadIni->date(), QDate(2026, 12, 6)) << "today, by the clock";
        d.depDataCadIni->setDate(QDate(2026, 12, 11));
        answerConfirmation(true);
        dialogs.expectMessageDlg(mrOk);
        clickButton(*d.sbtConfirma);
    }, "frmAprovacao");
    ASSERT_TRUE(runHandler([this] { Cli_cot05003::CriaAprovacao(*screen); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_NEAR(confirmationTotal, 10820.51, 0.001);
    EXPECT_NEAR(scalar("SELECT SUM(VRCOBR) FROM COBRPROP WHERE NRPROPOSFAS = :N AND IDORIGCOBR = 'L'", 2).toDouble(),
                10820.51, 0.001);
    EXPECT_TRUE(confirmationText.startsWith("Atenção! Após o aceite da proposta"));
    EXPECT_EQ(dialogs.questions(), QStringList{"Foi gerada apuração da licença de uso e do pacote de serviço para a proposta 2/01."});
    ASSERT_EQ(subjects(), (QStringList{"Proposta aceita - cobrar licença de uso", "Proposta aceita - cobrar pacote de serviços",
                                       "Proposta 2/01 aprovada - Beta Comércio"}));
    // The lines as charged, and the one-off value with the package.
    const QString text = mail.sent.front().message.textPart;
    for (const char* part : {"Valor: R$ 9.500,00", "Valor: R$ 1.320,51", "Valor único: R$ 18.548,51"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part << "\n" << text.toStdString();
    EXPECT_EQ(screen->NR(), number(2)) << "the accepted proposal stays current";
    EXPECT_FALSE(screen->proposal()[QStringLiteral("DTACEPROPFAS")].isNull()) << "as the reload read it";
    EXPECT_TRUE(screen->findChild<TfrmAprovacao*>() == nullptr && busyDepth() == 0);
}

// A prospect's dialog: empty fields and a date before the proposal's stop before any call, an
// inscription that is a client's before any write; then the prospect is registered and
// accepted in one call.
TEST_F(ApprovalDialog, AProspectIsCheckedThenRegisteredAndAcceptedInOneCall) {
    prepareProspect();
    open(4);
    const QString inscription = dlg->medInscricao->text();
    EXPECT_TRUE(dlg->grbProspect->isEnabled() && !inscription.isEmpty());
    dlg->medNmFantClie->clear();
    dlg->depDataCadIni->setDate(QDate());
    clickButton(*dlg->sbtConfirma);
    confirm(QDate(2026, 12, 6));
    confirm(QDate(2026, 10, 16));
    dlg->medNmFantClie->setText("X");
    confirm(QDate(2026, 10, 16));
    EXPECT_EQ(dialogs.errors(), (QStringList{"Data de aprovação deve ser informada.", "Nome Fantasia deve ser informado.",
                                             "Nome Fantasia deve ser informado.",
                                             "Data de aprovação não pode ser menor que data da proposta."}));
    EXPECT_TRUE(calls.isEmpty());

    dialogs.clearShown();
    dlg->medInscricao->setText(QStringLiteral("22.333.444/0001-72"));
    confirm(QDate(2026, 12, 6));
    EXPECT_EQ(dialogs.errors(), QStringList{"Cliente já cadastrado para inscrição informada."});
    ASSERT_EQ(calls.methods(), QStringList{"GetClienteCadastrado"});
    EXPECT_EQ(calls.value(0).args, (QVariantList{"22333444000172", "J"}));
    EXPECT_TRUE(focused(*dlg->medInscricao));

    dialogs.clearShown();
    calls.clear();
    dlg->medInscricao->setText(inscription);
    dlg->medRazSocClie->setText(QStringLiteral("Nova Empresa Ltda"));
    dlg->medNmFantClie->setText(QStringLiteral("Nova Empresa"));
    const int before = clients();
    approve(QDate(2026, 12, 6));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    // No package schedule: the services were looked at, and read back for the mails.
    EXPECT_EQ(QList<qsizetype>({calls.count("InsereCliente"), calls.count("AceiteProposta"),
                                calls.firstArgs("AceiteProposta").size(), calls.count("GetServico")}),
              QList<qsizetype>({0, 1, 8, 2}));
    EXPECT_TRUE(clients() == before + 1 && accepted(4));
    EXPECT_EQ(scalar("SELECT NMFANTCLIE FROM CLIENTE C JOIN PROPOSTAFAS P ON P.CDCLIENTE = C.CDCLIENTE "
                     "WHERE P.NRPROPOSFAS = :N", 4).toString(), "Nova Empresa");
    EXPECT_DOUBLE_EQ(confirmationTotal, 2700);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(ApprovalDialog, ARefusedAcceptanceRegistersNoClientAndKeepsTheDialog) {
    prepareProspect();
    open(4);
    // Someone accepts it between the checks and the acceptance.
    calls.setOnCall([this](const QString& m, const QVariantList&) {
        if (m == "AceiteProposta")
            testServer().db().exec("UPDATE PROPOSTAFAS SET DTACEPROPFAS = '2026-12-06 00:00:00' WHERE NRPROPOSFAS = :N",
                                   {{"N", number(4)}});
    });
    const int before = clients();
    answerConfirmation(true);
    confirm(QDate(2026, 12, 6));
    EXPECT_EQ(dialogs.errors(), QStringList{"Proposta já aceita. O aceite não pode ser registrado novamente."});
    EXPECT_EQ(clients(), before);
    EXPECT_TRUE(dlg->isVisible() && mail.sent.isEmpty() && dialogs.questions().isEmpty() && busyDepth() == 0);

    // Cancel asks first.
    dialogs.expectConfirm(false);
    clickButton(*dlg->sbtCancelar);
    EXPECT_EQ(dialogs.questions(), QStringList{"Cancelar operação?"});
    EXPECT_TRUE(dlg->isVisible());
    dialogs.expectConfirm(true);
    clickButton(*dlg->sbtCancelar);
    EXPECT_FALSE(dlg->isVisible());
}

TEST_F(ApprovalDialog, TheGraceMonthAndTheFirstDueDateAreCheckedAndAFailingReloadOrNotificationStillReportsTheAcceptance) {
    open(2);
    ListedWindow grace, due;
    expectListWindow(runner, grace, 2);
    confirm(QDate(2027, 2, 1));
    EXPECT_TRUE(grace.message == kGrace && grace.rows.size() == 2) << grace.message.toStdString();
    EXPECT_EQ(calls.count("GetMinDtVenc"), 0) << "stopped before the due dates";

    // On the last day of the grace month the grace check passes; installments due before
    // that day are what stops it then.
    expectListWindow(runner, due, 2);
    confirm(QDate(2027, 1, 31));
    EXPECT_TRUE(due.message.contains("31/01/2027")) << due.message.toStdString();

    // 11/12 + 15 days is the first due date itself: no alert; the final question says no.
    answerConfirmation(false);
    confirm(QDate(2026, 12, 11));
    EXPECT_TRUE(dialogs.questions().isEmpty()) << dialogs.questions().join(u'|').toStdString();
    EXPECT_EQ(runner.shown().count("frmConfAceite"), 1);
    EXPECT_TRUE(!calls.contains("AceiteProposta") && !accepted(2) && dlg->isVisible()) << "no: nothing written";

    dialogs.expectAlert(1);  // Cancela
    confirm(QDate(2026, 12, 12));
    EXPECT_EQ(dialogs.questions(), QStringList{kVencAce});
    EXPECT_EQ(runner.shown().count("frmConfAceite"), 1) << "cancelled before the final question";

    dialogs.clearShown();
    dialogs.expectAlert(0);  // Confirma the licence
    dialogs.expectAlert(0);  // and the services
    answerConfirmation(false);
    confirm(QDate(2026, 12, 12));
    ASSERT_EQ(dialogs.questions().size(), 2);
    EXPECT_TRUE(dialogs.questions().at(1).contains("pacote de serviços"));
    EXPECT_TRUE(!calls.contains("AceiteProposta") && scalar("SELECT COUNT(*) FROM COBRPROP WHERE NRPROPOSFAS = :N", 2).toInt() == 0);

    // A reload failing after the acceptance still reports it, notifies and closes (no second
    // Confirmar that would say it is already accepted); a notification that fails is named
    // after the success, with the one to the client the reload could not read.
    dialogs.clearShown();
    mail.failWhenSubjectContains = QStringLiteral("pacote");
    calls.setOnCall([](const QString& m, const QVariantList&) {
        if (m.startsWith(QLatin1String("GetProposta"))) throw ServerError(QStringLiteral("Servidor indisponível."));
    });
    approve(QDate(2026, 12, 11), 2);
    EXPECT_TRUE(accepted(2));
    EXPECT_EQ(dialogs.errors(), QStringList{"Servidor indisponível."}) << "the reload's own failure";
    ASSERT_EQ(dialogs.questions().size(), 2);
    EXPECT_TRUE(dialogs.questions().front().startsWith("Foi gerada apuração")) << "the acceptance was recorded";
    for (const char* named : {"cobrança do pacote de serviços", "aviso de aprovação ao cliente"})
        EXPECT_TRUE(dialogs.questions().back().contains(QString::fromUtf8(named))) << dialogs.questions().back().toStdString();
    EXPECT_EQ(subjects(), QStringList{"Proposta aceita - cobrar licença de uso"});
    EXPECT_TRUE(!dlg->isVisible() && busyDepth() == 0);
}

TEST_F(ApprovalDialog, AnAcceptedProposalGoneFromTheListIsReportedAndNotifiesNobody) {
    open(2);
    // The reload no longer lists it (moved to another branch meanwhile).
    calls.setOnCall([this](const QString& m, const QVariantList&) {
        if (m == "GetProposta" || m == "GetPropostaAux")
            testServer().db().exec("UPDATE PROPOSTAFAS SET CDFILIAL = '0002' WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    });
    answerConfirmation(true);
    confirm(QDate(2026, 12, 11));
    EXPECT_TRUE(accepted(2));
    EXPECT_TRUE(dialogs.errors().size() == 1 && dialogs.errors().front().contains("foi registrado"))
        << dialogs.errors().join(u'|').toStdString();
    EXPECT_TRUE(mail.sent.isEmpty()) << "no notification about whatever is current now";
    EXPECT_TRUE(dialogs.questions().isEmpty() && !dlg->isVisible() && busyDepth() == 0);
}

}  // namespace
