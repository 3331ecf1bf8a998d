// The standard-text dialog: its marks, what reaches the server on confirming (each checked
// text once, in the list's order, even across a refusal part-way), and what the proposal
// screen shows afterwards.

#include "dialogs/shown_dialog.h"
#include "dialogs/texts/standard_text_dialog.h"
#include "screens/areas_cases.h"
#include "ui/screen.h"

using namespace cot;
using namespace cot::testing;
using Marks = QMap<QString, QString>;

namespace {

const QString kCode = QStringLiteral("CDPADTXT"), kMark = QStringLiteral("IDCHECK");
const QString kNotCompiled =
    QStringLiteral("Tipo da Composição deve ser cadastrado na tela \"Parâmetros Comercial Comissaria\".");

class StandardTextDialog : public PageFixture {
protected:
    void TearDown() override {
        dlg.reset();
        PageFixture::TearDown();
    }
    // The texts page of a proposal (4 has no texts), with the dialog open over it unless `shown`
    // is false.
    void onTexts(int proposal = 4, bool shown = true) {
        openPage(proposal, &ProposalMenus::mnuTexto);
        if (!shown) return;
        dlg.reset(createForm<TfrmInsTextoProp>(*screen));
        showAndActivate(*dlg);
        calls.clear();
    }
    Marks marks() { return marksOf(*dlg->cdsMensagem, kCode, kMark); }
    void check(const QStringList& codes) {
        for (const QString& code : codes) {
            ASSERT_TRUE(dlg->cdsMensagem->locate(kCode, code)) << code.toStdString();
            pressKey(*dlg->dbgServico, Qt::Key_Space);
        }
    }
    QStringList sent() const { return sentArgs(calls, QStringLiteral("InsTextoProp"), 2); }
    QStringList stored() { return storedTexts(testServer().db(), number(4)); }

    std::unique_ptr<TfrmInsTextoProp> dlg;
};

TEST_F(StandardTextDialog, RefusalsKeepTheDialogMarksToggleAndTwoCheckAllsLeaveNothingChecked) {
    onTexts();
    EXPECT_EQ(dlg->windowTitle(), "Inclusão de Texto da Proposta");
    EXPECT_EQ(marks().values(), QStringList(10, "N"));
    // Nothing checked is refused and the dialog stays, unfiltered, on the grid.
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{"Serviço deve ser informado."});
    EXPECT_TRUE(dlg->isVisible() && focused(*dlg->dbgServico) && !dlg->cdsMensagem->filtered());
    EXPECT_EQ(dlg->cdsMensagem->recordCount(), 10);
    EXPECT_TRUE(sent().isEmpty());

    TDBGrid& g = *dlg->dbgServico;
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.model()->index(1, 0)).center());
    check({"GARANTIA"});
    EXPECT_EQ(marks().value("APRES_LU") + marks().value("GARANTIA"), "SS");
    check({"GARANTIA"});
    EXPECT_EQ(marks().value("GARANTIA"), "N");

    pressKey(g, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(marks().values(), QStringList(10, "S"));
    EXPECT_TRUE(dlg->allChecked() && dlg->cdsMensagem->recNo() == 1) << "back on the first text";
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(0) + 4, 4));
    EXPECT_EQ(marks().values(), QStringList(10, "N"));
    EXPECT_EQ(Screen::cursor(), Screen::crDefault);

    dialogs.expectFind([&](ClientTable& t) { return &t == dlg->cdsMensagem && t.locate(kCode, QStringLiteral("COND_LOC")); });
    pressKey(g, Qt::Key_F7);
    EXPECT_EQ((*dlg->cdsMensagem)[kCode].asString(), "COND_LOC");

    // Any other refusal is shown as the server says it, the text still checked.
    check({"APRES_LU"});
    testServer().db().exec(QStringLiteral("DELETE FROM PADTXT WHERE CDPADTXT = 'APRES_LU'"));
    dialogs.clearShown();
    clickButton(*dlg->sbtConfirma);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_FALSE(dialogs.errors().value(0) == kNotCompiled || dialogs.errors().value(0).isEmpty());
    EXPECT_TRUE(dlg->isVisible() && marks().value("APRES_LU") == "S");
}

TEST_F(StandardTextDialog, EachCheckedTextGoesOnceInTheListsOrderAndTheScreenShowsThem) {
    onTexts(4, false);
    runner.expect(
        [this](QWidget& w) {
            auto& d = static_cast<TfrmInsTextoProp&>(w);
            EXPECT_EQ(shownDialog<TfrmInsTextoProp>(*screen), &d) << "the screen finds it open";
            for (const QString code : {"GARANTIA", "APRES_LU", "COND_LU"}) {
                ASSERT_TRUE(d.cdsMensagem->locate(kCode, code));
                d.MarcaTexto();
            }
            calls.clear();
            clickButton(*d.sbtConfirma);
        },
        "frmInsTextoProp");
    ASSERT_TRUE(runHandler([this] { Cli_cot05008::CriaInsTextoProp(*screen); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(sentArgs(calls, "InsTextoProp", 0) + sentArgs(calls, "InsTextoProp", 1) + sent(),
              (QStringList{number(4), number(4), number(4), "01", "01", "01", "APRES_LU", "COND_LU", "GARANTIA"}));
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "GARANTIA:3"}));
    EXPECT_EQ(screen->findChild<TfrmInsTextoProp*>(), nullptr) << "freed once closed";
    EXPECT_EQ(screen->area<TextsArea>().cdsMensagem->recordCount(), 3) << "the texts page reads them back";
}

TEST_F(StandardTextDialog, ARetryAfterARefusalPartWaySendsOnlyTheTextsStillMissing) {
    onTexts();
    check({"APRES_LU", "COND_LU", "GARANTIA"});
    // The commercial parameters disappear while the second text goes out.
    calls.setOnCall([this](const QString&, const QVariantList&) {
        if (sent().size() == 2) testServer().db().exec(QStringLiteral("DELETE FROM PARAMPROP"));
    });
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{kNotCompiled});
    EXPECT_EQ(sent(), (QStringList{"APRES_LU", "COND_LU"})) << "the third is not sent";
    EXPECT_EQ(stored(), QStringList{"APRES_LU:1"});
    EXPECT_TRUE(dlg->isVisible() && !dlg->cdsMensagem->filtered() && dlg->cdsMensagem->recordCount() == 10);
    EXPECT_EQ(marks().value("APRES_LU") + marks().value("COND_LU") + marks().value("GARANTIA"), "NSS")
        << "the text the server took is never sent again";
    EXPECT_EQ(dlg->inserted(), 1);

    testServer().db().exec(QStringLiteral("INSERT INTO PARAMPROP (IDPARAMPROP, VRTXJUROSLICUSO) VALUES ('U', 1.5)"));
    calls.clear();
    calls.setOnCall(nullptr);
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(sent(), (QStringList{"COND_LU", "GARANTIA"}));
    EXPECT_FALSE(dlg->isVisible()) << "closed once every text is in";
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "GARANTIA:3"}));
}

// A text the proposal already has (say, from an earlier confirmation that stopped part-way)
// does not stop the rest: it is skipped, and the texts skipped are named once at the end.
TEST_F(StandardTextDialog, TextsTheProposalAlreadyHasAreSkippedAndNamedOnceAtTheEnd) {
    onTexts(4, false);
    for (const QString code : {"APRES_LU", "GARANTIA"})
        ASSERT_EQ(screen->net().callChecked("InsTextoProp", {number(4), "01", code, ""}).toString(), "");
    struct Case {
        QStringList checked;
        QStringList stored;
        QString named;
    };
    const QList<Case> cases{
        {{"APRES_LU", "COND_LU", "GARANTIA"},
         {"APRES_LU:1", "GARANTIA:2", "COND_LU:3"},
         "Os textos padrão APRES_LU, GARANTIA já estavam na proposta e não foram incluídos de novo."},
        {{"COND_LU"}, {"APRES_LU:1", "GARANTIA:2", "COND_LU:3"},
         "O texto padrão COND_LU já estava na proposta e não foi incluído de novo."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        dlg.reset(createForm<TfrmInsTextoProp>(*screen));
        showAndActivate(*dlg);
        calls.clear();
        check(c.checked);
        dialogs.clearShown();
        clickButton(*dlg->sbtConfirma);
        EXPECT_EQ(sent(), c.checked) << "every checked text goes, in the list's order";
        EXPECT_EQ(stored(), c.stored);
        EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
        EXPECT_EQ(dialogs.informations(), QStringList{c.named});
        EXPECT_FALSE(dlg->isVisible());
    }
}

// Opened by the texts page's button between edits, a cancel adds nothing and gives up the
// product line's systems edit the screen was in.
TEST_F(StandardTextDialog, CancellingAddsNothingAndGivesUpTheLinesSystemsEdit) {
    onTexts(2, false);
    ClientTable& systems = *screen->area<LineSystemsArea>().cdsSistLinhaProd;
    ASSERT_TRUE(runHandler([&] { systems.createDataSet(); systems.append(); }));
    runner.expect(
        [](QWidget& w) {
            auto& d = static_cast<TfrmInsTextoProp&>(w);
            d.MarcaTodos();
            clickButton(*d.sbtCancel);
        },
        "frmInsTextoProp");
    clickButton(widget<TSpeedButton>("sbtInsTexto"));
    EXPECT_EQ(runner.shown().size(), 1u);
    EXPECT_TRUE(sent().isEmpty());
    // The systems row being typed is given up.
    EXPECT_TRUE(systems.state() == DataSetState::Browse && systems.isEmpty());
    EXPECT_EQ(screen->findChild<TfrmInsTextoProp*>(), nullptr);
}

}  // namespace
