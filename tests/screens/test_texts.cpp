// The proposal's texts on their page: a new text reaches the server once its order and code
// are free, the code of a stored text changes only through the standard texts' lookup, the
// order takes whole numbers up to 999, and regenerating replaces the texts after its question.
// Also the decimal-comma filter of the number columns.
//
// Demo proposal 1 (contract M, POR, ERP) has APRES_LU (order 1) and COND_LU (order 2).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QStatusBar>

#include "proposal/area/decimal_comma.h"
#include "proposal/area/child_table_save.h"
#include "screens/proposal_fixture.h"
#include "screens/screen_cases_d.h"
#include "support/call_recorder.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

QChar filtered(QChar key, const QString& text, int at = -1, int replacing = 0) {
    Virgula(key, text, at, replacing);
    return key;
}

TEST(DecimalComma, ACommaNeverOpensTheValueNorComesTwiceAndADigitNeverPasses999999999) {
    EXPECT_TRUE(filtered(u',', "").isNull());
    EXPECT_EQ(filtered(u',', "12"), u',');
    EXPECT_TRUE(filtered(u',', "12,5").isNull());
    EXPECT_TRUE(filtered(u',', "12", 0).isNull()) << "typed before the digits";
    // Typed over a selection: what stays decides, not what the cell held.
    EXPECT_EQ(filtered(u',', "12,5", 2, 2), u',');
    EXPECT_TRUE(filtered(u',', "12", 0, 2).isNull()) << "the selection replaced leaves the comma alone";
    EXPECT_EQ(filtered(u'a', ""), u'a') << "other keys are the grid's business";
    // A digit never takes the value past 999999999.
    EXPECT_EQ(filtered(u'9', "99999999"), u'9');
    EXPECT_TRUE(filtered(u'9', "999999999").isNull());
    EXPECT_TRUE(filtered(u'1', "999999999,9").isNull());
    EXPECT_EQ(filtered(u'9', "99999999,9"), u'9');
    EXPECT_EQ(filtered(u'5', "999999999", 0, 9), u'5') << "typed over the whole value";
    EXPECT_EQ(filtered(u'1', "1.000", 0), u'1') << "thousands dots are no decimals";
}

// The filter on a real grid: keys typed on a closed cell and into its editor.
class DecimalCommaGrid : public ScreenFixture {
protected:
    bool wantsServer() const override { return false; }
    void SetUp() override {
        ScreenFixture::SetUp();
        table.addField(QStringLiteral("DSLOCALPROP"), FieldType::String, 20);
        table.addField(QStringLiteral("VRHORAPROP"), FieldType::Float);
        table.createDataSet();
        table.append();
        table[QStringLiteral("VRHORAPROP")].setAsFloat(12);
        table.post();
        source.setDataSet(&table);
        grid.setDataSource(&source);
        grid.onKeyPress = [this](QChar& key) { Virgula(&grid, QStringLiteral("VRHORAPROP"), key); };
        window.resize(400, 200);
        grid.setParent(&window);
        grid.resize(400, 200);
        showAndActivate(window);
        ASSERT_TRUE(focusWidget(grid));
    }
    QString cell() { return grid.inplaceEditor() ? grid.inplaceEditor()->text() : QStringLiteral("(fechado)"); }

    QWidget window;
    ClientTable table;
    DataSource source;
    TDBGrid grid;
};

TEST_F(DecimalCommaGrid, OnlyTheNamedColumnIsFilteredAndAClosedCellStartsFromTheKey) {
    ASSERT_TRUE(grid.setSelectedField(QStringLiteral("VRHORAPROP")));
    typeText(grid, ",");
    EXPECT_EQ(cell(), "(fechado)") << "a value never starts with the comma";
    typeText(grid, "3,5,");
    EXPECT_EQ(cell(), "3,5");
    pressKey(*grid.inplaceEditor(), Qt::Key_Escape);

    // F2 opens the editor with the value selected: typing replaces it.
    pressKey(grid, Qt::Key_F2);
    ASSERT_TRUE(grid.inplaceEditor());
    ASSERT_TRUE(grid.inplaceEditor()->hasSelectedText());
    typeText(*grid.inplaceEditor(), ",");
    EXPECT_EQ(cell(), "12") << "the comma would have been alone";
    typeText(*grid.inplaceEditor(), "9999999999");
    EXPECT_EQ(cell(), "999999999");
    pressKey(*grid.inplaceEditor(), Qt::Key_Escape);

    ASSERT_TRUE(grid.setSelectedField(QStringLiteral("DSLOCALPROP")));
    typeText(grid, ",sala 2,3");
    EXPECT_EQ(cell(), ",sala 2,3");
}

class Texts : public ProposalFixture {
protected:
    void TearDown() override {
        calls.detach();
        ProposalFixture::TearDown();
    }
    TextsArea& area() { return screen->area<TextsArea>(); }
    ClientTable& texts() { return *area().cdsMensagem; }
    Field& f(const char* name) { return texts()[QString::fromLatin1(name)]; }

    // The texts page of a proposal, recording every call the screen makes.
    void openTexts(int n = 1) {
        openScreen();
        ASSERT_TRUE(select(n));
        ASSERT_TRUE(menu(screen->menus().mnuTexto));
        ASSERT_EQ(screen->activeTable(), &texts());
        calls.attach(screen->net());
    }
    // The texts the database holds for proposal n, version 01, in their order: "CODE:order".
    QStringList stored(int n = 1) { return storedTexts(testServer().db(), number(n)); }
    QString storedText(const QString& code, int n = 1) {
        return testServer()
            .db()
            .scalar(QStringLiteral("SELECT TXPROPFAS FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = :C"),
                    {{"N", number(n)}, {"C", code}})
            .toString();
    }
    TDBGrid& grid() { return widget<TDBGrid>("dbgDescProp"); }
    QLineEdit* cellEditor() { return grid().inplaceEditor(); }
    void column(const char* field) { ASSERT_TRUE(grid().setSelectedField(QString::fromLatin1(field))); }
    void typeInCell(const QString& text) { cot::testing::typeInCell(grid(), text); }
    bool confirm() { return runHandler([&] { screen->sbtConfirmarClick(); }); }

    CallRecorder calls;
};

TEST_F(Texts, ANewTextIsTypedInTheGridAndTheEditorAndReachesTheServer) {
    openTexts();
    ASSERT_TRUE(focusWidget(grid()));
    column("NRORDEMMSG");
    clickButton(*screen->sbtIncluir);
    ASSERT_EQ(texts().state(), DataSetState::Insert);
    EXPECT_EQ(grid().selectedField()->fieldName(), "CDTXTPROPFAS") << "a new text starts at its code";
    typeInCell("PRAZO");
    pressKey(grid(), Qt::Key_Tab);
    typeInCell("3");
    // Writing the text beside the grid keeps the new row.
    ASSERT_TRUE(focusWidget(widget<TDBRichEdit>("dreMensagem")));
    ASSERT_EQ(texts().state(), DataSetState::Insert);
    typeText(widget<TDBRichEdit>("dreMensagem"), "Prazo de entrega: 30 dias.");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "PRAZO:3"}));
    EXPECT_TRUE(storedText("PRAZO").contains("Prazo de entrega: 30 dias.")) << storedText("PRAZO").toStdString();
    EXPECT_EQ(f("NRPROPOSFAS").asString(), number(1));
    EXPECT_EQ(texts().changeCount(), 0);
    EXPECT_TRUE(grid().hasOption(dgCancelOnExit)) << "blank new rows are dropped again on leaving the grid";
}

TEST_F(Texts, AnOrderOrCodeInUseOrAnEmptyTextIsRefusedAndAnUnchangedOneIsNotAsked) {
    openTexts();
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    f("CDTXTPROPFAS").setAsString("PRAZO");
    f("NRORDEMMSG").setAsFloat(2);
    f("TXPROPFAS").setAsString("<p>Prazo.</p>");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Ordem já cadastrada"});
    EXPECT_EQ(texts().state(), DataSetState::Insert) << "the new row waits for a free order";
    EXPECT_EQ(grid().selectedField()->fieldName(), "NRORDEMMSG");
    f("NRORDEMMSG").setAsFloat(9);
    f("CDTXTPROPFAS").setAsString("COND_LU");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().value(1), "Mensagem já cadastrada");
    EXPECT_EQ(grid().selectedField()->fieldName(), "CDTXTPROPFAS");
    // An empty text (formatting alone) is refused on its page, whichever page is shown.
    dialogs.clearShown();
    f("CDTXTPROPFAS").setAsString("PRAZO");
    f("TXPROPFAS").setAsString("<p><b> </b></p>");
    screen->showPage(screen->pages().tshObs);
    EXPECT_FALSE(runHandler([&] { texts().post(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Mensagem deve ser informada"});
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshTexto);
    EXPECT_TRUE(focused(widget<TDBRichEdit>("dreMensagem")));
    EXPECT_EQ(texts().state(), DataSetState::Insert);
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2"}));
    ASSERT_TRUE(runHandler([&] { texts().cancel(); }));

    // Only the body changes: the server is not asked about the row's own code and order.
    ASSERT_TRUE(texts().locate(QStringLiteral("CDTXTPROPFAS"), QStringLiteral("COND_LU")));
    calls.clear();
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    f("TXPROPFAS").setAsString("<p>Condições revistas.</p>");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_FALSE(calls.contains("ValidaOrdem"));
    EXPECT_FALSE(calls.contains("ValidaMsg"));
    EXPECT_EQ(storedText("COND_LU"), "<p>Condições revistas.</p>");

    // A new order for a stored text is asked with the number first and the version last.
    calls.clear();
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    f("NRORDEMMSG").setAsFloat(7);
    ASSERT_TRUE(confirm());
    EXPECT_EQ(calls.firstArgs("ValidaOrdem"), (QVariantList{number(1), 7, "COND_LU", "01"}));
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:7"}));
}

TEST_F(Texts, TheCodeOfAStoredTextIsNeitherTypedNorErasedButANewOnesIsAndTheOrderTakesUpTo999) {
    openTexts();
    ASSERT_TRUE(focusWidget(grid()));
    column("CDTXTPROPFAS");
    typeInCell("XY+");
    EXPECT_EQ(texts().state(), DataSetState::Browse) << "nothing typed, nothing edited";
    pressKey(grid(), Qt::Key_F2);
    ASSERT_TRUE(cellEditor());
    for (int key : {Qt::Key_Delete, Qt::Key_Backspace}) pressKey(*cellEditor(), key);
    pressKey(*cellEditor(), Qt::Key_V, Qt::ControlModifier);
    typeText(*cellEditor(), "%&'(");
    EXPECT_EQ(cellEditor()->text(), "APRES_LU");
    pressKey(*cellEditor(), Qt::Key_Escape);
    ASSERT_TRUE(runHandler([&] { texts().cancel(); }));

    // Ctrl+Delete is no way around Excluir.
    pressKey(grid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.questions().isEmpty());
    EXPECT_EQ(texts().recordCount(), 2);

    clickButton(*screen->sbtIncluir);
    typeInCell("NOVO");
    EXPECT_EQ(cellEditor()->text(), "NOVO");
    pressKey(*cellEditor(), Qt::Key_Backspace);
    EXPECT_EQ(cellEditor()->text(), "NOV");
    pressKey(*cellEditor(), Qt::Key_Escape);
    ASSERT_TRUE(runHandler([&] { texts().cancel(); }));

    // The order takes whole numbers up to 999.
    column("NRORDEMMSG");
    typeInCell("1000");
    EXPECT_EQ(cellEditor()->text(), "100");
    typeInCell(",5-+a");
    EXPECT_EQ(cellEditor()->text(), "100");
    pressKey(*cellEditor(), Qt::Key_Escape);
    // Typed over the selected value, a fourth digit of the old one does not count.
    pressKey(grid(), Qt::Key_F2);
    ASSERT_TRUE(cellEditor() && cellEditor()->hasSelectedText());
    typeInCell("9");
    EXPECT_EQ(cellEditor()->text(), "9");
}

TEST_F(Texts, PickingAStandardTextReplacesCodeAndBody) {
    openTexts();
    ASSERT_TRUE(texts().locate(QStringLiteral("CDTXTPROPFAS"), QStringLiteral("COND_LU")));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    ASSERT_TRUE(focusWidget(grid()));
    column("CDTXTPROPFAS");
    EXPECT_EQ(grid().selectedColumn()->buttonStyle, ColumnButtonStyle::Ellipsis);
    dialogs.expectPick([](ClientTable& t) { return t.locate(QStringLiteral("CDPADTXT"), QStringLiteral("GARANTIA")); });
    ASSERT_TRUE(runHandler([&] { grid().editButtonClick(); }));
    EXPECT_EQ(dialogs.shown().back().text, "Mensagem");
    EXPECT_EQ(f("CDTXTPROPFAS").asString(), "GARANTIA");
    EXPECT_EQ(f("TXPROPFAS").asString(), "<p>Garantia de 90 dias para correções.</p>");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "GARANTIA:2"}));

    // With no standard text registered the lookup says so.
    testServer().db().exec(QStringLiteral("DELETE FROM PADTXT"));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    grid().editButtonClick();
    EXPECT_EQ(dialogs.errors(), QStringList{"Não há mensagem cadastrada"});
}

TEST_F(Texts, RegeneratingAsksFirstAndThenReplacesTheTexts) {
    openTexts();
    ASSERT_TRUE(runHandler([&] { texts().first(); texts().deleteRecord(); }));
    ASSERT_EQ(stored(), QStringList{"COND_LU:2"});
    TMenuItem* regenerate = screen->menus().mnuRegeraTexto;
    ASSERT_TRUE(regenerate->enabled());
    EXPECT_TRUE(screen->menus().sbtRegeraTexto->isEnabled());

    calls.clear();
    dialogs.expectConfirm(false);
    ASSERT_TRUE(menu(regenerate));
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja regerar o texto da proposta?"});
    EXPECT_TRUE(calls.isEmpty());

    dialogs.expectConfirm(true);
    clickButton(*screen->menus().sbtRegeraTexto);
    EXPECT_EQ(calls.firstArgs("GerarTextoPadraoProp"),
              (QVariantList{number(1), "01", "M", "POR", "ERP"}));
    EXPECT_EQ(dialogs.informations(), QStringList{"Texto regerado com sucesso."});
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2"}));
    EXPECT_EQ(texts().recordCount(), 2) << "the page shows what the server made";

    // A mistaken regeneration is undone from the page: the replaced texts come back.
    dialogs.clearShown();
    dialogs.expectConfirm(true);
    clickButton(widget<TSpeedButton>("sbtRestauraTexto"));
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja restaurar os textos que a última regeração substituiu?"});
    EXPECT_EQ(dialogs.informations(), QStringList{"Textos anteriores restaurados."});
    EXPECT_EQ(stored(), QStringList{"COND_LU:2"});
    EXPECT_EQ(texts().recordCount(), 1);
}

TEST_F(Texts, EnablingFollowsTheTextsAndARefusedChangeHoldsRegeneration) {
    openTexts();
    const ProposalMenus& m = screen->menus();
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuAlterar, screen->mnuExcluir, m.mnuRegeraTexto})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    EXPECT_TRUE(widget<TSpeedButton>("sbtInsTexto").isEnabled());
    EXPECT_TRUE(widget<TSpeedButton>("sbtRestauraTexto").isEnabled());
    EXPECT_FALSE(m.mnuFiltro->enabled());
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuVerificar, m.mnuRegeraTexto})
        EXPECT_FALSE(e->enabled()) << e->objectName().toStdString();
    EXPECT_FALSE(widget<TSpeedButton>("sbtInsTexto").isEnabled());
    EXPECT_FALSE(widget<TSpeedButton>("sbtRestauraTexto").isEnabled());
    EXPECT_TRUE(screen->mnuConfirmar->enabled() && screen->mnuCancelar->enabled());
    EXPECT_EQ(grid().columnOf("CDTXTPROPFAS")->buttonStyle, ColumnButtonStyle::Ellipsis) << "the lookup while editing";

    // Another user removes the text meanwhile: the change stays pending, and regenerating
    // (which would replace it unseen) waits until it is sent or given up.
    testServer().db().exec(QStringLiteral("DELETE FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = 'APRES_LU'"),
                           {{"N", number(1)}});
    f("TXPROPFAS").setAsString("<p>Outra apresentação.</p>");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Registro alterado ou excluído por outro usuário."});
    EXPECT_EQ(texts().changeCount(), 1);
    EXPECT_FALSE(m.mnuRegeraTexto->enabled());
    EXPECT_FALSE(widget<TSpeedButton>("sbtInsTexto").isEnabled());
    EXPECT_FALSE(widget<TSpeedButton>("sbtRestauraTexto").isEnabled());
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(texts().changeCount(), 0);
    EXPECT_TRUE(m.mnuRegeraTexto->enabled());
    EXPECT_EQ(grid().columnOf("CDTXTPROPFAS")->buttonStyle, ColumnButtonStyle::Auto);

    // A proposal without texts can get its first one, and be regenerated.
    ASSERT_TRUE(select(4));
    EXPECT_EQ(texts().recordCount(), 0);
    EXPECT_TRUE(screen->mnuIncluir->enabled());
    EXPECT_FALSE(screen->mnuAlterar->enabled());
    EXPECT_TRUE(m.mnuRegeraTexto->enabled());
    EXPECT_TRUE(widget<TDBRichEdit>("dreMensagem").readOnly()) << "no text to write into";
}

TEST_F(Texts, CancellingAnEditGivesUpEveryPendingChangeAndExcluirDeletesOnTheServer) {
    openTexts();
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    EXPECT_FALSE(grid().hasOption(dgCancelOnExit));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(texts().recordCount(), 2);
    EXPECT_TRUE(grid().hasOption(dgCancelOnExit));

    ASSERT_TRUE(texts().locate(QStringLiteral("CDTXTPROPFAS"), QStringLiteral("APRES_LU")));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(stored(), QStringList{"COND_LU:2"});
}

}  // namespace
