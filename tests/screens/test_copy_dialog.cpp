// The copy dialog: the version it proposes and accepts, the checks before any copy, the
// new version made current after the copy, a refusal of the server that leaves everything
// as it was, cancelling, and the toolbar entries that open it.

#include "base/errors.h"
#include "dialogs/copy/copy_dialog.h"
#include "dialogs/shown_dialog.h"
#include "screens/proposal_fixture.h"
#include "support/call_recorder.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"
#include "ui/edits.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kTaken = QStringLiteral("Proposta já cadastrada para versão informada.");

class CopyDialog : public ProposalFixture {
protected:
    void TearDown() override { dlg.reset(); calls.detach(); ProposalFixture::TearDown(); }
    // The screen on a proposal, the dialog built over it and shown; calls recorded from then on.
    void open(int proposal, const QString& version = QStringLiteral("01")) {
        openOn(proposal, version);
        dlg.reset(createForm<TfrmCopiaProposta>(*screen, screen));
        showAndActivate(*dlg);
        calls.attach(screen->net());
    }
    void typeVersion(TfrmCopiaProposta& d, const QString& text) { d.medVersao->clear(); typeText(*d.medVersao, text); }
    int versions(int n) {
        return testServer().db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", number(n)}}).toInt();
    }
    // A version written straight into the database, as another user's copy would.
    void storeVersion(int n, const QString& version) {
        testServer().db().exec(
            QStringLiteral("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, "
                           "CDCLIENTE, IDTIPOPROPFAS, IDIDIOMA, DSREFEPROPOSFAS, DTPROPOSFAS) SELECT NRPROPOSFAS, :V, "
                           "CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, IDTIPOPROPFAS, IDIDIOMA, DSREFEPROPOSFAS, "
                           "DTPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'"),
            {{"N", number(n)}, {"V", version}});
    }

    std::unique_ptr<TfrmCopiaProposta> dlg;
    CallRecorder calls;
};

TEST_F(CopyDialog, ProposesTheNextVersionTakesTwoDigitsAndRefusesAnEmptyOrTakenOne) {
    open(6, "03");
    EXPECT_EQ(QStringList({dlg->windowTitle(), dlg->dbeProposta->text(), dlg->dbeReferencia->text(), dlg->medVersao->text()}),
              QStringList({"Cópia da Proposta", number(6), "Expansão para filiais - versão final", "04"}))
        << "after the highest version of the number";
    EXPECT_FALSE(dlg->dbeProposta->isEnabled() || dlg->dbeReferencia->isEnabled() || !focused(*dlg->medVersao));

    typeVersion(*dlg, "123");
    const QString first = dlg->medVersao->text();
    typeVersion(*dlg, "a7");
    EXPECT_EQ(first + ' ' + dlg->medVersao->text(), "12 7") << "two digits only";
    EXPECT_EQ(dlg->typedVersion(), "07") << "one digit is that version, two digits wide";

    // An empty or taken version (1 is version 01) is refused before any copy.
    for (const auto& [typed, message] : {std::pair{"", QStringLiteral("Versão da Proposta deve ser informada.")},
                                         std::pair{"02", kTaken}, std::pair{"1", kTaken}}) {
        typeVersion(*dlg, typed);
        dialogs.clearShown();
        clickButton(*dlg->sbtConfirma);
        EXPECT_EQ(dialogs.errors(), QStringList{message}) << typed;
    }

    EXPECT_TRUE(!calls.contains("CopiaDados") && versions(6) == 3 && busyDepth() == 0);
    EXPECT_TRUE(dlg->isVisible() && focused(*dlg->medVersao));
}

TEST_F(CopyDialog, TheNewVersionBecomesTheCurrentProposalOfTheReloadedList) {
    openOn(2);
    // The list moves elsewhere while the dialog is open (the reload keeps the old current row).
    runner.expect([this](QWidget& w) {
        auto& d = static_cast<TfrmCopiaProposta&>(w);
        EXPECT_EQ(shownDialog<TfrmCopiaProposta>(*screen), &d) << "the screen finds it open";
        EXPECT_EQ(d.medVersao->text(), "02");
        typeVersion(d, "5");
        dialogs.expectMessageDlg(mrOk);
        clickButton(*d.sbtConfirma);
    }, "frmCopiaProposta");
    const int listed = screen->proposal().recordCount();
    ASSERT_TRUE(runHandler([this] { Cli_cot05004::CriaCopiaProposta(*screen); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(dialogs.questions(), QStringList{"Cópia realizada com sucesso."});
    EXPECT_TRUE(screen->proposal().recordCount() == listed + 1 && versions(2) == 2);
    EXPECT_EQ(screen->NR() + '/' + screen->VER(), number(2) + "/05");
    EXPECT_TRUE(screen->findChild<TfrmCopiaProposta*>() == nullptr && busyDepth() == 0) << "freed once closed";
}

// The server's refusal keeps the dialog open and reloads nothing; a reload failing after the
// copy still closes as done (no retry that would find the version taken).
TEST_F(CopyDialog, TheServersRefusalKeepsTheDialogOpenAndAFailedReloadAfterTheCopyClosesIt) {
    open(2);
    typeVersion(*dlg, "03");
    // Another user's copy takes version 03 between the check and the copy.
    calls.setOnCall([this](const QString& m, const QVariantList&) {
        if (m == QLatin1String("CopiaDados")) storeVersion(2, QStringLiteral("03"));
    });
    const int listed = screen->proposal().recordCount();
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{kTaken});
    EXPECT_TRUE(calls.contains("CopiaDados") && !calls.contains("GetProposta")) << "nothing reloaded";
    EXPECT_EQ(screen->proposal().recordCount(), listed);
    EXPECT_TRUE(dlg->isVisible() && focused(*dlg->medVersao));
    EXPECT_EQ(dlg->medVersao->text(), "03") << "what was typed stays";
    EXPECT_TRUE(dialogs.questions().isEmpty()) << "no success reported";

    dialogs.clearShown();
    typeVersion(*dlg, "04");
    calls.setOnCall([](const QString& m, const QVariantList&) {
        if (m.startsWith(QLatin1String("GetProposta"))) throw ServerError(QStringLiteral("Servidor indisponível."));
    });
    dialogs.expectMessageDlg(mrOk);
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{"Servidor indisponível."}) << "the reload's own failure";
    EXPECT_EQ(dialogs.questions(), QStringList{"Cópia realizada com sucesso."});
    EXPECT_EQ(versions(2), 3) << "both copies stand";
    EXPECT_TRUE(!dlg->isVisible() && busyDepth() == 0);
    EXPECT_EQ(screen->VER(), "01") << "the list as it was";
}

// A version 99 still leaves the lowest free version offered; with every version taken
// the copy is refused and no dialog is left. Cancelar and Escape ask first; only "Sim" closes.
TEST_F(CopyDialog, TheLowestFreeVersionIsOfferedNoneFreeIsRefusedAndCancelAsksFirst) {
    openOn(2);
    storeVersion(2, QStringLiteral("99"));
    runner.expect([this](QWidget& w) {
        auto& d = static_cast<TfrmCopiaProposta&>(w);
        EXPECT_EQ(d.medVersao->text(), "02");
        dialogs.expectConfirm(false);
        clickButton(*d.sbtCancelar);
        dialogs.expectConfirm(false);
        pressKey(*d.medVersao, Qt::Key_Escape);
        EXPECT_TRUE(d.isVisible());
        dialogs.expectConfirm(true);
        clickButton(*d.sbtCancelar);
        EXPECT_FALSE(d.isVisible());
    }, "frmCopiaProposta");
    runHandler([this] { Cli_cot05004::CriaCopiaProposta(*screen); });
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(dialogs.questions(), QStringList(3, "Cancelar operação?"));
    EXPECT_EQ(versions(2), 2) << "nothing copied";

    for (int v = 2; v <= 98; ++v) storeVersion(2, QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')));
    EXPECT_FALSE(runHandler([this] { Cli_cot05004::CriaCopiaProposta(*screen); }));
    EXPECT_TRUE(dialogs.errors().size() == 1 && dialogs.errors().value(0).contains("99")) << dialogs.errors().join(u'|').toStdString();
    EXPECT_TRUE(runner.shown().size() == 1 && screen->findChild<TfrmCopiaProposta*>() == nullptr);
}

// Enabled on a listed proposal at rest (ProposalScreen.EnablingFollowsThePage).
TEST_F(CopyDialog, CopyAndPrintNeedAListedProposalAtRestAndThePictureIsAlwaysThere) {
    openOn(2);
    const ProposalMenus& m = screen->menus();
    // A proposal being included: nothing to copy or print yet.
    click(*screen, "sbtIncluir");
    ASSERT_TRUE(screen->editing(&screen->proposal()));
    EXPECT_FALSE(m.mnuCopiar->enabled() || screen->sbtImprimir->isEnabled());
    EXPECT_TRUE(m.MododeProcessamento1->enabled());
    dialogs.expectConfirm(true);
    click(*screen, "sbtCancelar");
    EXPECT_TRUE(m.mnuCopiar->enabled());

    // Nothing listed.
    ASSERT_TRUE(runHandler([&] { screen->proposal().emptyDataSet(); }));
    EXPECT_FALSE(m.mnuCopiar->enabled() || screen->sbtImprimir->isEnabled());
}

}  // namespace
