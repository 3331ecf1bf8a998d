// "Enviar ao Cliente": the dialog sends the proposal's PDF (the printed report, texts
// brought up to date first) to the addresses typed, the mail carries the link whose token
// only the hash of is stored, the sendings grid follows the server's states, a link is
// cancelled only after asking, and a refusal of the server sends and records nothing.

#include <QAbstractItemModel>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextBrowser>

#include "dialogs/send/client_page_preview.h"
#include "dialogs/send/send_dialog.h"
#include "dialogs/send/send_launch.h"
#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "services/mail_sender.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

enum Column { kEnvio, kData, kEnviadoPor, kPara, kValidoAte, kSituacao };

const QString kExpired = QStringLiteral("A proposta está vencida ou sem validade; altere a validade antes de enviá-la.");
const QString kAskRevoke = QStringLiteral("Cancelar o link deste envio? O cliente não poderá mais abri-lo.");

class SendToClient : public ProposalFixture {
protected:
    void SetUp() override {
        ProposalFixture::SetUp();
        // The in-process server sends through the process-wide sender.
        setDefaultMailSender(&mail);
    }
    void TearDown() override { setDefaultMailSender(nullptr); ProposalFixture::TearDown(); }

    // Opens the dialog over version 01 of proposal `n` as the menu entry does and runs
    // `steps` in it; false when opening failed.
    bool inDialog(int n, const std::function<void(TfrmEnviarCliente&)>& steps) {
        if (!screen) openScreen();
        if (!select(n)) return false;
        return whileShown<TfrmEnviarCliente>(runner, "frmEnviarCliente", steps, [this] { openSendToClient(*screen); });
    }
    void send(TfrmEnviarCliente& d, const QString& to) { d.edtEmail->clear(); typeText(*d.edtEmail, to); clickButton(*d.sbtEnviar); }
    static int rows(TfrmEnviarCliente& d) { return d.dbgEnvios->model()->rowCount(); }
    static QString cell(TfrmEnviarCliente& d, int row, Column column) {
        return d.dbgEnvios->model()->index(row, column).data().toString();
    }
    Packet stored(int n) { return testServer().db().query("SELECT * FROM ENVIOPROP WHERE NRPROPOSFAS = :N", {{"N", number(n)}}); }
    void setValidity(int n, const QDate& day) {
        testServer().db().exec("UPDATE PROPOSTAFAS SET DTVALPROPFAS = :D WHERE NRPROPOSFAS = :N",
                               {{"D", QDateTime(day, QTime(0, 0))}, {"N", number(n)}});
    }
    // The words of a PDF, as poppler reads them.
    static QString pdfText(const QByteArray& pdf) {
        QTemporaryFile file;
        if (!file.open()) return {};
        file.write(pdf);
        file.flush();
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {"-enc", "UTF-8", file.fileName(), "-"});
        if (!text.waitForFinished(30000)) return {};
        return QString::fromUtf8(text.readAllStandardOutput()).simplified();
    }

    RecordingMailSender mail;
};

// A proposal whose texts were all removed is sent with the standard ones, as printing it
// would give them.
TEST_F(SendToClient, SendsTheReportWithItsLinkAndCancelsTheLinkOnlyWhenConfirmed) {
    testServer().db().exec(QStringLiteral("DELETE FROM TXTPROPFAS WHERE NRPROPOSFAS = :N"), {{"N", number(2)}});
    ASSERT_TRUE(inDialog(2, [&](TfrmEnviarCliente& d) {
        EXPECT_EQ(QStringList({d.windowTitle(), d.lblProposta->text(), d.lblReferencia->text()}),
                  QStringList({"Enviar ao Cliente", "2/01", "ERP Web e serviços de implantação"}));
        EXPECT_EQ(d.edtEmail->text(), "compras@cliente.demo") << "the proposal's contact e-mail";
        EXPECT_TRUE(rows(d) == 0 && !d.sbtRevogar->isEnabled());

        send(d, "ana@beta.demo; compras@beta.demo");
        EXPECT_EQ(dialogs.allTexts(), QStringList{"Proposta enviada para ana@beta.demo; compras@beta.demo."});
        EXPECT_EQ(busyDepth(), 0);
        ASSERT_EQ(rows(d), 1);
        EXPECT_EQ(QStringList({cell(d, 0, kPara), cell(d, 0, kData).left(10), cell(d, 0, kSituacao)}),
                  QStringList({"ana@beta.demo; compras@beta.demo", "06/12/2026", "Ativo"}));
        EXPECT_TRUE(!cell(d, 0, kEnviadoPor).isEmpty() && d.sbtRevogar->isEnabled());

        // The mail: both addresses, the link, the PDF of the report.
        ASSERT_EQ(mail.sent.size(), 1);
        const MailMessage& m = mail.sent[0].message;
        EXPECT_EQ(m.to, (QStringList{"ana@beta.demo", "compras@beta.demo"}));
        EXPECT_TRUE(m.textPart.contains("/cliente/")) << m.textPart.toStdString();
        ASSERT_EQ(m.attachments.size(), 1);
        EXPECT_EQ(m.attachments[0].fileName, "Proposta 2-01.pdf");
        const QString words = pdfText(m.attachments[0].data);
        for (const char* expected : {"ERP Web e serviços de implantação", "Beta Comércio", "18.671,50",
                                     "Apresentamos nossa proposta de licença de uso com manutenção mensal."})
            EXPECT_TRUE(words.contains(QString::fromUtf8(expected))) << expected << " in " << words.toStdString();

        // "Não" leaves the link standing; "Sim" cancels it.
        dialogs.expectConfirm(false);
        clickButton(*d.sbtRevogar);
        EXPECT_EQ(dialogs.questions(), QStringList{kAskRevoke});
        EXPECT_EQ(cell(d, 0, kSituacao), "Ativo");
        dialogs.expectConfirm(true);
        clickButton(*d.sbtRevogar);
        EXPECT_TRUE(cell(d, 0, kSituacao) == "Cancelado" && !d.sbtRevogar->isEnabled());
        clickButton(*d.sbtFechar);
    }));

    const Packet p = stored(2);  // the sending's row, its link cancelled by this operator
    ASSERT_EQ(p.rows.size(), 1);
    EXPECT_EQ(QStringList({p.value(0, "NRVERPROPFAS").toString(), p.value(0, "CDOPERADOR").toString(),
                           p.value(0, "CDOPERREVOGA").toString()}), QStringList({"01", "VENDEDOR", "VENDEDOR"}));
}

// Refusals come in the server's words; the dialog stays open, nothing is recorded or mailed,
// and once the cause is gone the same dialog sends.
TEST_F(SendToClient, ARefusalOrAFailedMailRecordsNothingAndTheDialogStaysUsable) {
    testServer().db().exec("UPDATE PROPOSTAFAS SET DSEMAIPROFAS = NULL WHERE NRPROPOSFAS = :N", {{"N", number(2)}});
    setValidity(2, QDate(2026, 12, 5));
    ASSERT_TRUE(inDialog(2, [&](TfrmEnviarCliente& d) {
        EXPECT_EQ(d.edtEmail->text(), "") << "no contact e-mail: nothing offered";
        send(d, "ana@beta.demo");
        EXPECT_EQ(dialogs.allTexts(), QStringList{kExpired});
        EXPECT_TRUE(busyDepth() == 0 && d.isVisible() && rows(d) == 0);

        // Valid again, but the mail server refuses: the sending is undone with it.
        setValidity(2, QDate(2026, 12, 31));
        mail.failWhenSubjectContains = QStringLiteral("Proposta");
        dialogs.clearShown();
        send(d, "ana@beta.demo");
        ASSERT_EQ(dialogs.allTexts().size(), 1);
        EXPECT_TRUE(dialogs.errors().value(0).contains(mail.failureText)) << dialogs.allTexts()[0].toStdString();
        EXPECT_TRUE(rows(d) == 0 && stored(2).rows.isEmpty());

        mail.failWhenSubjectContains.clear();
        dialogs.clearShown();
        send(d, "ana@beta.demo");
        EXPECT_TRUE(dialogs.errors().isEmpty() && rows(d) == 1) << dialogs.errors().join(u'|').toStdString();
    }));
    EXPECT_TRUE(mail.sent.size() == 1 && stored(2).rows.size() == 1);
}

// The grid names sendings by number and shows what the server says of each; only a standing
// link can be cancelled. The link stays in the client's mailbox: the salesperson sees the
// page through his own session, as the client does, with nothing to decide with.
TEST_F(SendToClient, ThePageIsPreviewedReadOnlyAndExpiredAndDecidedSendingsCannotBeCancelled) {
    ASSERT_TRUE(inDialog(2, [&](TfrmEnviarCliente& d) {
        send(d, "ana@beta.demo; ANA@beta.demo");
        EXPECT_EQ(dialogs.informations(), QStringList{"Proposta enviada para ana@beta.demo."});
        ASSERT_EQ(rows(d), 1);
        EXPECT_EQ(cell(d, 0, kEnvio), "1");
        runner.expect([](QWidget& w) {
                const QString text = static_cast<TfrmPaginaCliente&>(w).txtPagina->toPlainText();
                EXPECT_EQ(w.windowTitle(), "Página do Cliente - Proposta 2/01");
                EXPECT_TRUE(text.contains("ERP Web e serviços de implantação") &&
                            text.contains("Pré-visualização da página do cliente.") &&
                            !text.contains("Aceitar a proposta") && !text.contains("/cliente/"))
                    << text.toStdString();
            },
            "frmPaginaCliente");
        clickButton(*d.sbtVisualizar);
        EXPECT_EQ(runner.shown().count("frmPaginaCliente"), 1);
        send(d, "bia@beta.demo");
        ASSERT_EQ(rows(d), 2);
        EXPECT_EQ(cell(d, 0, kPara), "bia@beta.demo") << "newest first";
        testServer().db().exec("UPDATE ENVIOPROP SET DTEXPIRA = :D WHERE NRPROPOSFAS = :N AND NRENVIO = 1",
                               {{"D", QDate(2026, 12, 1)}, {"N", number(2)}});
        d.loadSendings();
        EXPECT_EQ(QStringList({cell(d, 0, kSituacao), cell(d, 1, kSituacao), cell(d, 1, kValidoAte)}),
                  QStringList({"Ativo", "Expirado", "01/12/2026"}));
        d.cdsEnvios->last();
        EXPECT_FALSE(d.sbtRevogar->isEnabled());
        clickButton(*d.sbtRevogar);
        EXPECT_TRUE(dialogs.questions().isEmpty());
        d.cdsEnvios->first();
        EXPECT_TRUE(d.sbtRevogar->isEnabled());

        // The client decided through another link: no link of the version takes a decision.
        storeDecision(testServer().db(), 2, "01", "A", QDateTime(QDate(2026, 12, 6), QTime(9, 0)));
        d.loadSendings();
        EXPECT_TRUE(cell(d, 0, kSituacao) == "Decidido" && !d.sbtRevogar->isEnabled());
    }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

}  // namespace
