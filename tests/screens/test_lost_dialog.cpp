// Marking a proposal lost from the list: the dialog naming the proposal and preset to the
// client's reason and comment, the mark recorded and the list reloaded on the same
// proposal, the checks before the server is asked, a refusal of the server, unmarking
// after the question, and the client's decision shown by the approval.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <memory>

#include "approval/dialog/approval_dialog.h"
#include "dialogs/lost/lost_dialog.h"
#include "dialogs/lost/lost_launch.h"
#include "screens/proposal_fixture.h"
#include "ui/buttons.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

class LostDialog : public ProposalFixture {
protected:
    void decide(int n, const char* version, const char* kind, const QVariant& motive, const QVariant& role = {},
                const QVariant& comment = {}) {
        testServer().db().exec(
            "INSERT INTO DECISAOPROP (NRPROPOSFAS, NRVERPROPFAS, NRENVIO, IDDECISAO, DTDECISAO, NMRESPDECISAO, "
            "DSCARGODECISAO, IDMOTIVO, TXCOMENTARIO, TXHASHCONT) VALUES (:N, :V, 1, :K, :D, 'Ana Souza', :C, :M, :T, :H)",
            {{"N", number(n)}, {"V", version}, {"K", kind}, {"D", QDateTime(QDate(2026, 12, 5), QTime(16, 42))},
             {"C", role}, {"M", motive}, {"T", comment}, {"H", QString(64, u'a')}});
    }
    // The loss recorded for proposal n, "motive|text", one line per row.
    QStringList lost(int n) {
        const Packet p = testServer().db().query("SELECT IDMOTIVO, TXMOTIVO FROM PERDAPROP WHERE NRPROPOSFAS = :N",
                                                 {{"N", number(n)}});
        QStringList out;
        for (int r = 0; r < p.rows.size(); ++r)
            out << p.value(r, "IDMOTIVO").toString() + u'|' + p.value(r, "TXMOTIVO").toString();
        return out;
    }
    int lostRows(int n) { return int(lost(n).size()); }
    QString status() const { return screen->proposal()["IDSITUACAO"].asString(); }
    bool launch() { return runHandler([&] { openMarkLost(*screen); }); }
};

// The client's comment is kept with the loss unless the user changes it.
TEST_F(LostDialog, StartsOnTheClientsReasonAndCommentRecordsTheMarkAndKeepsTheProposalCurrent) {
    decide(2, "01", "R", "Z", {}, "  Prazo de entrega longo demais.  ");
    openOn(2);
    const QString heading = "Proposta 2/01 — " + screen->proposal()["NOME"].asString().trimmed();
    runner.expect(
        [&](QWidget& w) {
            auto& d = static_cast<TfrmPropostaPerdida&>(w);
            EXPECT_EQ(QStringList({d.windowTitle(), d.lblProposta->text(), d.cbbMotivo->currentText(), d.mmoMotivo->text(),
                                   d.sbtConfirma->text(), d.sbtCancela->text()}),
                      QStringList({"Proposta Perdida", heading, "Prazo", "Prazo de entrega longo demais.", "Confirmar", "Cancelar"}));
            EXPECT_EQ(d.cbbMotivo->count(), 5);
            d.cbbMotivo->setCurrentIndex(d.cbbMotivo->findText("Concorrente"));
            clickButton(*d.sbtConfirma);
        },
        "frmPropostaPerdida");
    ASSERT_TRUE(launch()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(dialogs.errors(), QStringList());
    EXPECT_EQ(lost(2), QStringList{"C|Prazo de entrega longo demais."});
    EXPECT_EQ(screen->key().nr, number(2)) << "the list reloaded on the same proposal";
    EXPECT_EQ(status(), "P");
}

TEST_F(LostDialog, ChecksTheMotiveAndTheTextBeforeAskingTheServerAndUnmarksOnlyOnYes) {
    openOn(2);
    runner.expect(
        [&](QWidget& w) {
            auto& d = static_cast<TfrmPropostaPerdida&>(w);
            EXPECT_TRUE(d.cbbMotivo->currentIndex() == -1 && d.mmoMotivo->text().isEmpty()) << "no decline: nothing preset";
            clickButton(*d.sbtConfirma);
            EXPECT_EQ(dialogs.errors(), QStringList({"Escolha o motivo da perda."}));
            EXPECT_TRUE(d.isVisible());
            d.cbbMotivo->setCurrentIndex(0);
            d.mmoMotivo->setText(QString(501, u'x'));
            clickButton(*d.sbtConfirma);
            EXPECT_EQ(dialogs.errors().size(), 2);
            EXPECT_TRUE(d.isVisible()) << "a text over 500 characters is refused";
            clickButton(*d.sbtCancela);
        },
        "frmPropostaPerdida");
    ASSERT_TRUE(launch());
    EXPECT_EQ(lostRows(2), 0);
    EXPECT_EQ(status(), "V");

    // Marked, the proposal is unmarked only when the answer is yes.
    dialogs.clearShown();
    runner.expect(
        [&](QWidget& w) {
            auto& d = static_cast<TfrmPropostaPerdida&>(w);
            d.cbbMotivo->setCurrentIndex(d.cbbMotivo->findText("Preço"));
            clickButton(*d.sbtConfirma);
        },
        "frmPropostaPerdida");
    ASSERT_TRUE(launch());
    ASSERT_EQ(lostRows(2), 1);

    dialogs.expectConfirm(false);
    ASSERT_TRUE(launch());
    EXPECT_EQ(dialogs.questions(), QStringList({"A proposta está marcada como perdida. Desmarcar?"}));
    EXPECT_EQ(lostRows(2), 1);

    dialogs.expectConfirm(true);
    ASSERT_TRUE(launch());
    EXPECT_EQ(lostRows(2), 0);
    EXPECT_EQ(screen->key().nr, number(2));
    EXPECT_EQ(status(), "V");
    EXPECT_EQ(runner.shown().size(), 2) << "no dialog for the unmarking";
}

// Accepted while the dialog was open: the server's refusal is shown and the dialog stays.
TEST_F(LostDialog, AServerRefusalKeepsTheDialogOpenAndAnAcceptedProposalIsNotOffered) {
    openOn(2);
    runner.expect(
        [&](QWidget& w) {
            auto& d = static_cast<TfrmPropostaPerdida&>(w);
            d.cbbMotivo->setCurrentIndex(d.cbbMotivo->findText("Escopo"));
            testServer().db().exec("UPDATE PROPOSTAFAS SET DTACEPROPFAS = :D WHERE NRPROPOSFAS = :N",
                                   {{"D", QDateTime(QDate(2026, 12, 6), QTime(9, 0))}, {"N", number(2)}});
            clickButton(*d.sbtConfirma);
            EXPECT_EQ(dialogs.errors(), QStringList({"A proposta já foi aceita."}));
            EXPECT_TRUE(d.isVisible() && d.motive() == "E");
            clickButton(*d.sbtCancela);
        },
        "frmPropostaPerdida");
    ASSERT_TRUE(launch());
    EXPECT_EQ(lostRows(2), 0);

    // An accepted proposal is not offered at all.
    dialogs.clearShown();
    ASSERT_TRUE(select(1));
    EXPECT_FALSE(launch());
    EXPECT_EQ(dialogs.errors(), QStringList({"A proposta já foi aceita."}));
    EXPECT_EQ(runner.shown().size(), 1) << "only the dialog of proposal 2";
    EXPECT_EQ(lostRows(1), 0);
}

// The approval shows what the client decided on his page, or nothing.
TEST_F(LostDialog, TheApprovalShowsTheClientsDecisionAcceptedDeclinedOrHidden) {
    std::unique_ptr<TfrmAprovacao> dlg;
    const auto approvalLabel = [&](int n, const char* version = "01") {
        if (!screen) openScreen();
        EXPECT_TRUE(select(n, version));
        dlg.reset(createForm<TfrmAprovacao>(*screen, screen));
        showAndActivate(*dlg);
        return dlg->lblDecisaoCliente;
    };
    decide(2, "01", "A", QVariant(), "Diretora");
    decide(6, "03", "R", "P", QVariant(), "Acima do orçamento.");
    decide(9, "01", "A", QVariant());
    EXPECT_EQ(approvalLabel(2)->text(), "Decisão do cliente: aceita em 05/12/2026 16:42 por Ana Souza (Diretora).");
    EXPECT_TRUE(dlg->lblDecisaoCliente->isVisible());
    EXPECT_EQ(approvalLabel(6, "03")->text(),
              "Decisão do cliente: recusada em 05/12/2026 16:42 — motivo: Preço. Acima do orçamento.");
    EXPECT_EQ(approvalLabel(9)->text(), "Decisão do cliente: aceita em 05/12/2026 16:42 por Ana Souza.");
    EXPECT_FALSE(approvalLabel(7)->isVisible());
    dlg.reset();
}

}  // namespace
