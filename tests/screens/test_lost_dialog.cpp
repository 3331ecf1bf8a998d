// Marking a proposal lost from the list: the dialog naming the proposal and preset to the
// client's reason and comment, the mark recorded and the list reloaded on the same
// proposal, the checks before the server is asked, a refusal of the server, unmarking
// after the question, and the client's decision shown by the approval.

#include <QComboBox>

#include "approval/dialog/approval_dialog.h"
#include "dialogs/lost/lost_dialog.h"
#include "dialogs/lost/lost_launch.h"
#include "screens/list_cases.h"
#include "server/deal_cases.h"
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
            {{"N", number(n)},
             {"V", version},
             {"K", kind},
             {"D", QDateTime(QDate(2026, 12, 5), QTime(16, 42))},
             {"C", role},
             {"M", motive},
             {"T", comment},
             {"H", QString(64, u'a')}});
    }
    // The loss recorded for proposal n, "motive|text", one line per row.
    QStringList lost(int n) {
        return rowTexts(testServer().db(), "SELECT IDMOTIVO, TXMOTIVO FROM PERDAPROP WHERE NRPROPOSFAS = :N", {{"N", number(n)}});
    }
    QString status() const { return screen->proposal()["IDSITUACAO"].asString(); }
    bool launch() { return runHandler([&] { openMarkLost(*screen); }); }
    // Opens the dialog over the current proposal and hands it to `steps`; false when it did not open.
    bool inDialog(const std::function<void(TfrmPropostaPerdida&)>& steps) {
        return whileShown<TfrmPropostaPerdida>(runner, "frmPropostaPerdida", steps, [&] { openMarkLost(*screen); });
    }
    static void choose(TfrmPropostaPerdida& d, const char* motive) { d.cbbMotivo->setCurrentIndex(d.cbbMotivo->findText(motive)); }
};

// The client's comment is kept with the loss unless the user changes it.
TEST_F(LostDialog, StartsOnTheClientsReasonAndCommentRecordsTheMarkAndKeepsTheProposalCurrent) {
    decide(2, "01", "R", "Z", {}, "  Prazo de entrega longo demais.  ");
    openOn(2);
    const QString heading = "Proposta 2/01 — " + screen->proposal()["NOME"].asString().trimmed();
    ASSERT_TRUE(inDialog([&](TfrmPropostaPerdida& d) {
        EXPECT_EQ(QStringList({d.windowTitle(), d.lblProposta->text(), d.cbbMotivo->currentText(), d.mmoMotivo->text(),
                               d.sbtConfirma->text(), d.sbtCancela->text(), QString::number(d.cbbMotivo->count())}),
                  QStringList({"Proposta Perdida", heading, "Prazo", "Prazo de entrega longo demais.", "Confirmar", "Cancelar", "5"}));
        choose(d, "Concorrente");
        clickButton(*d.sbtConfirma);
    })) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(dialogs.errors(), QStringList());
    EXPECT_EQ(lost(2), QStringList{"C|Prazo de entrega longo demais."});
    EXPECT_EQ(screen->key().nr, number(2)) << "the list reloaded on the same proposal";
    EXPECT_EQ(status(), "P");
}

TEST_F(LostDialog, ChecksBeforeAskingTheServerUnmarksOnlyOnYesAndAServerRefusalKeepsTheDialogOpen) {
    openOn(2);
    ASSERT_TRUE(inDialog([&](TfrmPropostaPerdida& d) {
        EXPECT_TRUE(d.cbbMotivo->currentIndex() == -1 && d.mmoMotivo->text().isEmpty()) << "no decline: nothing preset";
        clickButton(*d.sbtConfirma);
        EXPECT_EQ(dialogs.errors(), QStringList({"Escolha o motivo da perda."}));
        EXPECT_TRUE(d.isVisible());
        d.cbbMotivo->setCurrentIndex(0);
        d.mmoMotivo->setText(QString(501, u'x'));
        clickButton(*d.sbtConfirma);
        EXPECT_TRUE(dialogs.errors().size() == 2 && d.isVisible()) << "a text over 500 characters is refused";
        clickButton(*d.sbtCancela);
    }));
    EXPECT_TRUE(lost(2).isEmpty() && status() == "V");

    // Marked, the proposal is unmarked only when the answer is yes.
    dialogs.clearShown();
    ASSERT_TRUE(inDialog([&](TfrmPropostaPerdida& d) { choose(d, "Preço"); clickButton(*d.sbtConfirma); }));
    ASSERT_EQ(lost(2).size(), 1);
    dialogs.expectConfirm(false);
    ASSERT_TRUE(launch());
    EXPECT_EQ(dialogs.questions(), QStringList({"A proposta está marcada como perdida. Desmarcar?"}));
    EXPECT_EQ(lost(2).size(), 1);
    dialogs.expectConfirm(true);
    ASSERT_TRUE(launch());
    EXPECT_TRUE(lost(2).isEmpty() && status() == "V");
    EXPECT_EQ(screen->key().nr, number(2));
    EXPECT_EQ(runner.shown().size(), 2) << "no dialog for the unmarking";

    // Accepted while the dialog was open: the server's refusal is shown and the dialog stays.
    dialogs.clearShown();
    ASSERT_TRUE(inDialog([&](TfrmPropostaPerdida& d) {
        choose(d, "Escopo");
        testServer().db().exec("UPDATE PROPOSTAFAS SET DTACEPROPFAS = :D WHERE NRPROPOSFAS = :N",
                               {{"D", QDateTime(QDate(2026, 12, 6), QTime(9, 0))}, {"N", number(2)}});
        clickButton(*d.sbtConfirma);
        EXPECT_EQ(dialogs.errors(), QStringList({"A proposta já foi aceita."}));
        EXPECT_TRUE(d.isVisible() && d.motive() == "E");
        clickButton(*d.sbtCancela);
    }));
    EXPECT_TRUE(lost(2).isEmpty());

    // An accepted proposal is not offered at all.
    dialogs.clearShown();
    ASSERT_TRUE(select(1));
    EXPECT_FALSE(launch());
    EXPECT_EQ(dialogs.errors(), QStringList({"A proposta já foi aceita."}));
    EXPECT_EQ(runner.shown().size(), 3) << "only the dialogs of proposal 2";
    EXPECT_TRUE(lost(1).isEmpty());
}

// The approval shows what the client decided on his page, or nothing.
TEST_F(LostDialog, TheApprovalShowsTheClientsDecisionAcceptedDeclinedOrHidden) {
    decide(2, "01", "A", QVariant(), "Diretora");
    decide(6, "03", "R", "P", QVariant(), "Acima do orçamento.");
    decide(9, "01", "A", QVariant());
    openScreen();
    QStringList shown;
    for (const auto& [n, version] : {std::pair{2, "01"}, std::pair{6, "03"}, std::pair{9, "01"}, std::pair{7, "01"}}) {
        EXPECT_TRUE(select(n, version));
        std::unique_ptr<TfrmAprovacao> dlg(createForm<TfrmAprovacao>(*screen, screen));
        showAndActivate(*dlg);
        shown << (dlg->lblDecisaoCliente->isVisible() ? dlg->lblDecisaoCliente->text() : "(oculta)");
    }
    EXPECT_EQ(shown, QStringList({"Decisão do cliente: aceita em 05/12/2026 16:42 por Ana Souza (Diretora).",
                                  "Decisão do cliente: recusada em 05/12/2026 16:42 — motivo: Preço. Acima do orçamento.",
                                  "Decisão do cliente: aceita em 05/12/2026 16:42 por Ana Souza.", "(oculta)"}));
}

}  // namespace
