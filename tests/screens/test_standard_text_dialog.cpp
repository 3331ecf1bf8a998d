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

class StandardTextDialog : public ProposalFixture {
protected:
    void TearDown() override {
        dlg.reset();
        calls.detach();
        ProposalFixture::TearDown();
    }
    // The proposal screen on proposal 4 (no texts) with its texts page shown; calls recorded.
    void onTexts(int proposal = 4) {
        openScreen();
        ASSERT_TRUE(select(proposal));
        ASSERT_TRUE(menu(screen->menus().mnuTexto));
        calls.attach(screen->net());
    }
    void open() {
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
    QStringList stored(int n = 4) { return storedTexts(testServer().db(), number(n)); }
    void restoreParameters() {
        testServer().db().exec(QStringLiteral("INSERT INTO PARAMPROP (IDPARAMPROP, VRTXJUROSLICUSO) VALUES ('U', 1.5)"));
    }

    CallRecorder calls;
    std::unique_ptr<TfrmInsTextoProp> dlg;
};

TEST_F(StandardTextDialog, NothingCheckedIsRefusedMarksToggleAndTwoCheckAllsLeaveNothingChecked) {
    onTexts();
    open();
    EXPECT_EQ(dlg->windowTitle(), "Inclusão de Texto da Proposta");
    ASSERT_EQ(dlg->cdsMensagem->recordCount(), 10);
    for (const QString& m : marks()) EXPECT_EQ(m, "N");
    // Nothing checked is refused and the dialog stays.
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{"Serviço deve ser informado."});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(focused(*dlg->dbgServico));
    EXPECT_FALSE(dlg->cdsMensagem->filtered());
    EXPECT_EQ(dlg->cdsMensagem->recordCount(), 10);
    EXPECT_TRUE(sent().isEmpty());

    TDBGrid& g = *dlg->dbgServico;
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, g.visualRect(g.model()->index(1, 0)).center());
    check({"GARANTIA"});
    EXPECT_EQ(marks().value("APRES_LU"), "S");
    EXPECT_EQ(marks().value("GARANTIA"), "S");
    check({"GARANTIA"});
    EXPECT_EQ(marks().value("GARANTIA"), "N");

    pressKey(g, Qt::Key_Space, Qt::ControlModifier);
    for (const QString& m : marks()) EXPECT_EQ(m, "S");
    EXPECT_TRUE(dlg->allChecked());
    EXPECT_EQ(dlg->cdsMensagem->recNo(), 1) << "back on the first text";
    QTest::mouseClick(g.horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(g.horizontalHeader()->sectionViewportPosition(0) + 4, 4));
    for (const QString& m : marks()) EXPECT_EQ(m, "N");
    EXPECT_EQ(Screen::cursor(), Screen::crDefault);

    dialogs.expectFind([&](ClientTable& t) { return &t == dlg->cdsMensagem && t.locate(kCode, QStringLiteral("COND_LOC")); });
    pressKey(g, Qt::Key_F7);
    EXPECT_EQ((*dlg->cdsMensagem)[kCode].asString(), "COND_LOC");
}

TEST_F(StandardTextDialog, EachCheckedTextGoesOnceInTheListsOrderAndTheScreenShowsThem) {
    onTexts();
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
    EXPECT_EQ(sent(), (QStringList{"APRES_LU", "COND_LU", "GARANTIA"}));
    for (const RecordedCall& c : calls)
        if (c.method == QLatin1String("InsTextoProp")) {
            EXPECT_EQ(c.args.value(0).toString(), number(4));
            EXPECT_EQ(c.args.value(1).toString(), "01");
        }
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "GARANTIA:3"}));
    EXPECT_EQ(screen->findChild<TfrmInsTextoProp*>(), nullptr) << "freed once closed";
    EXPECT_EQ(screen->area<TextsArea>().cdsMensagem->recordCount(), 3) << "the texts page reads them back";
}

TEST_F(StandardTextDialog, ARetryAfterARefusalPartWaySendsOnlyTheTextsStillMissing) {
    onTexts();
    open();
    check({"APRES_LU", "COND_LU", "GARANTIA"});
    // The commercial parameters disappear while the second text goes out.
    calls.setOnCall([this](const QString&, const QVariantList&) {
        if (sent().size() == 2) testServer().db().exec(QStringLiteral("DELETE FROM PARAMPROP"));
    });
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(dialogs.errors(), QStringList{kNotCompiled});
    EXPECT_EQ(sent(), (QStringList{"APRES_LU", "COND_LU"})) << "the third is not sent";
    EXPECT_EQ(stored(), QStringList{"APRES_LU:1"});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->cdsMensagem->filtered());
    EXPECT_EQ(dlg->cdsMensagem->recordCount(), 10);
    EXPECT_EQ(marks().value("APRES_LU") + marks().value("COND_LU") + marks().value("GARANTIA"), "NSS")
        << "the text the server took is never sent again";
    EXPECT_EQ(dlg->inserted(), 1);

    restoreParameters();
    calls.clear();
    calls.setOnCall(nullptr);
    clickButton(*dlg->sbtConfirma);
    EXPECT_EQ(sent(), (QStringList{"COND_LU", "GARANTIA"}));
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "GARANTIA:3"}));
}

// A text the proposal already has (say, from an earlier confirmation that stopped part-way)
// does not stop the rest: it is skipped, and the texts skipped are named once at the end.
TEST_F(StandardTextDialog, TextsTheProposalAlreadyHasAreSkippedAndNamedOnceAtTheEnd) {
    onTexts();
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
        open();
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

TEST_F(StandardTextDialog, AnyOtherRefusalIsShownAsTheServerSaysIt) {
    onTexts();
    open();
    check({"APRES_LU"});
    testServer().db().exec(QStringLiteral("DELETE FROM PADTXT WHERE CDPADTXT = 'APRES_LU'"));
    clickButton(*dlg->sbtConfirma);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_NE(dialogs.errors().value(0), kNotCompiled);
    EXPECT_FALSE(dialogs.errors().value(0).isEmpty());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(marks().value("APRES_LU"), "S");
}

TEST_F(StandardTextDialog, CancellingAddsNothingAndGivesUpTheLinesSystemsEdit) {
    onTexts(2);
    // The screen is in the middle of a product line's systems edit.
    ClientTable& systems = *screen->area<LineSystemsArea>().cdsSistLinhaProd;
    ASSERT_TRUE(runHandler([&] { systems.createDataSet(); systems.append(); }));
    runner.expect(
        [](QWidget& w) {
            auto& d = static_cast<TfrmInsTextoProp&>(w);
            d.MarcaTodos();
            clickButton(*d.sbtCancel);
        },
        "frmInsTextoProp");
    ASSERT_TRUE(runHandler([this] { Cli_cot05008::CriaInsTextoProp(*screen); }));
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(systems.state(), DataSetState::Browse);
    EXPECT_TRUE(systems.isEmpty()) << "the systems row being typed is given up";
    EXPECT_EQ(screen->findChild<TfrmInsTextoProp*>(), nullptr);
}

TEST_F(StandardTextDialog, TheTextsPageOpensItBetweenEditsOnly) {
    onTexts(1);
    ASSERT_TRUE(widget<TSpeedButton>("sbtInsTexto").isEnabled());
    runner.expect([](QWidget& w) { clickButton(*static_cast<TfrmInsTextoProp&>(w).sbtCancel); }, "frmInsTextoProp");
    clickButton(widget<TSpeedButton>("sbtInsTexto"));
    EXPECT_EQ(runner.shown().size(), 1u);
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    EXPECT_FALSE(widget<TSpeedButton>("sbtInsTexto").isEnabled());
}

}  // namespace
