// The proposal's texts on their page: a new text reaches the server once its order and code
// are free, the code of a stored text changes only through the standard texts' lookup, the
// order takes whole numbers up to 999, and regenerating replaces the texts after its question.
// Also the decimal-comma filter of the number columns.
//
// Demo proposal 1 (contract M, POR, ERP) has APRES_LU (order 1) and COND_LU (order 2).


#include "proposal/area/decimal_comma.h"
#include "screens/areas_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

// The comma filter of the number columns: a comma never opens a value nor comes twice (over
// a selection, what stays decides), and a digit never takes the value past 999999999. On a
// grid, the services' grid test types through it.
TEST(DecimalComma, ACommaNeverOpensTheValueNorComesTwiceAndADigitNeverPasses999999999) {
    struct Case {
        QChar key;
        const char* text;
        int at, replacing;
        bool passes;
    };
    const Case cases[] = {{u',', "", -1, 0, false},          {u',', "12", -1, 0, true},
                          {u',', "12,5", -1, 0, false},      {u',', "12", 0, 0, false},
                          {u',', "12,5", 2, 2, true},        {u',', "12", 0, 2, false},
                          {u'a', "", -1, 0, true},           {u'9', "99999999", -1, 0, true},
                          {u'9', "999999999", -1, 0, false}, {u'1', "999999999,9", -1, 0, false},
                          {u'9', "99999999,9", -1, 0, true}, {u'5', "999999999", 0, 9, true},
                          {u'1', "1.000", 0, 0, true}};  // thousands dots are no decimals
    for (const Case& c : cases) {
        QChar key = c.key;
        Virgula(key, QString::fromLatin1(c.text), c.at, c.replacing);
        EXPECT_EQ(key, c.passes ? c.key : QChar()) << QString(c.key).toStdString() << " on " << c.text << " at " << c.at;
    }
}

class Texts : public PageFixture {
protected:
    ClientTable& texts() { return *screen->area<TextsArea>().cdsMensagem; }
    Field& f(const char* name) { return texts()[QString::fromLatin1(name)]; }
    void openTexts() {
        openPage(1, &ProposalMenus::mnuTexto);
        ASSERT_EQ(screen->activeTable(), &texts());
    }
    // The texts the database holds for proposal 1, version 01, in their order: "CODE:order".
    QStringList stored() { return storedTexts(testServer().db(), number(1)); }
    QString storedText(const QString& code) {
        return testServer().db().scalar("SELECT TXPROPFAS FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = :C",
                                        {{"N", number(1)}, {"C", code}}).toString();
    }
    TDBGrid& grid() { return widget<TDBGrid>("dbgDescProp"); }
    QLineEdit* cellEditor() { return grid().inplaceEditor(); }
    void column(const char* field) { ASSERT_TRUE(grid().setSelectedField(QString::fromLatin1(field))); }
    void typeInCell(const QString& text) { cot::testing::typeInCell(grid(), text); }
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
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << shown();
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2", "PRAZO:3"}));
    EXPECT_TRUE(storedText("PRAZO").contains("Prazo de entrega: 30 dias.")) << storedText("PRAZO").toStdString();
    EXPECT_TRUE(f("NRPROPOSFAS").asString() == number(1) && texts().changeCount() == 0);
    EXPECT_TRUE(grid().hasOption(dgCancelOnExit)) << "blank new rows are dropped again on leaving the grid";

    // A new row given up: the grid drops blank rows on leaving again, Excluir deletes on the server.
    ASSERT_TRUE(include());
    EXPECT_FALSE(grid().hasOption(dgCancelOnExit));
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_TRUE(texts().recordCount() == 3 && grid().hasOption(dgCancelOnExit));
    ASSERT_TRUE(texts().locate(QStringLiteral("CDTXTPROPFAS"), QStringLiteral("PRAZO")));
    ASSERT_TRUE(remove());
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2"}));
}

TEST_F(Texts, AnOrderOrCodeInUseOrAnEmptyTextIsRefusedAnUnchangedOneIsNotAskedAndAStandardTextIsPicked) {
    openTexts();
    ASSERT_TRUE(include());
    f("TXPROPFAS").setAsString("<p>Prazo.</p>");
    // The new row waits for a free order, then a free code, on the column at fault.
    for (const auto& [order, code, message, column] :
         {std::tuple{2, "PRAZO", "Ordem já cadastrada", "NRORDEMMSG"}, {9, "COND_LU", "Mensagem já cadastrada", "CDTXTPROPFAS"}}) {
        f("NRORDEMMSG").setAsFloat(order);
        f("CDTXTPROPFAS").setAsString(code);
        dialogs.clearShown();
        EXPECT_FALSE(confirm());
        EXPECT_EQ(QStringList({dialogs.errors().join(u'|'), grid().selectedField()->fieldName()}), QStringList({message, column}));
        EXPECT_EQ(texts().state(), DataSetState::Insert);
    }
    // An empty text (formatting alone) is refused on its page, whichever page is shown.
    dialogs.clearShown();
    f("CDTXTPROPFAS").setAsString("PRAZO");
    f("TXPROPFAS").setAsString("<p><b> </b></p>");
    screen->showPage(screen->pages().tshObs);
    EXPECT_FALSE(runHandler([&] { texts().post(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Mensagem deve ser informada"});
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshTexto);
    EXPECT_TRUE(focused(widget<TDBRichEdit>("dreMensagem")) && texts().state() == DataSetState::Insert);
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2"}));
    ASSERT_TRUE(runHandler([&] { texts().cancel(); }));

    // Only the body changes: the server is not asked about the row's own code and order.
    ASSERT_TRUE(texts().locate(QStringLiteral("CDTXTPROPFAS"), QStringLiteral("COND_LU")));
    calls.clear();
    ASSERT_TRUE(change());
    f("TXPROPFAS").setAsString("<p>Condições revistas.</p>");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_FALSE(calls.contains("ValidaOrdem") || calls.contains("ValidaMsg"));
    EXPECT_EQ(storedText("COND_LU"), "<p>Condições revistas.</p>");

    // A new order for a stored text is asked with the number first and the version last.
    calls.clear();
    ASSERT_TRUE(change());
    f("NRORDEMMSG").setAsFloat(7);
    ASSERT_TRUE(confirm());
    EXPECT_EQ(calls.firstArgs("ValidaOrdem"), (QVariantList{number(1), 7, "COND_LU", "01"}));
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:7"}));

    // Picking a standard text replaces code and body; with none registered the lookup says so.
    ASSERT_TRUE(change());
    column("CDTXTPROPFAS");
    EXPECT_EQ(grid().selectedColumn()->buttonStyle, ColumnButtonStyle::Ellipsis);
    dialogs.expectPick([](ClientTable& t) { return t.locate(QStringLiteral("CDPADTXT"), QStringLiteral("GARANTIA")); });
    ASSERT_TRUE(runHandler([&] { grid().editButtonClick(); }));
    EXPECT_EQ(QStringList({dialogs.shown().back().text, f("CDTXTPROPFAS").asString(), f("TXPROPFAS").asString()}),
              QStringList({"Mensagem", "GARANTIA", "<p>Garantia de 90 dias para correções.</p>"}));
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "GARANTIA:7"}));
    testServer().db().exec(QStringLiteral("DELETE FROM PADTXT"));
    ASSERT_TRUE(change());
    dialogs.clearShown();
    grid().editButtonClick();
    EXPECT_EQ(dialogs.errors(), QStringList{"Não há mensagem cadastrada"});
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
    EXPECT_TRUE(dialogs.questions().isEmpty() && texts().recordCount() == 2);

    clickButton(*screen->sbtIncluir);
    typeInCell("NOVO");
    pressKey(*cellEditor(), Qt::Key_Backspace);
    EXPECT_EQ(cellEditor()->text(), "NOV");
    pressKey(*cellEditor(), Qt::Key_Escape);
    ASSERT_TRUE(runHandler([&] { texts().cancel(); }));

    // The order takes whole numbers up to 999.
    column("NRORDEMMSG");
    typeInCell("1000,5-+a");
    EXPECT_EQ(cellEditor()->text(), "100");
    pressKey(*cellEditor(), Qt::Key_Escape);
    // Typed over the selected value, a fourth digit of the old one does not count.
    pressKey(grid(), Qt::Key_F2);
    ASSERT_TRUE(cellEditor() && cellEditor()->hasSelectedText());
    typeInCell("9");
    EXPECT_EQ(cellEditor()->text(), "9");
}

TEST_F(Texts, EnablingFollowsTheTextsARefusedChangeHoldsRegenerationWhichAsksFirstAndReplacesTheTexts) {
    openTexts();
    const ProposalMenus& m = screen->menus();
    // The entries and buttons of the page that are on.
    const auto on = [&] {
        QStringList out;
        for (QObject* e : std::initializer_list<QObject*>{screen->mnuIncluir, screen->mnuAlterar, screen->mnuExcluir,
                                                          screen->mnuVerificar, screen->mnuConfirmar, m.mnuFiltro,
                                                          m.mnuRegeraTexto, &widget<TSpeedButton>("sbtInsTexto"),
                                                          &widget<TSpeedButton>("sbtRestauraTexto")}) {
            auto* item = qobject_cast<TMenuItem*>(e);
            if (item ? item->enabled() : static_cast<QWidget*>(e)->isEnabled()) out << e->objectName();
        }
        return out.join(u' ');
    };
    const QString browsing = "mnuIncluir mnuAlterar mnuExcluir mnuVerificar mnuRegeraTexto sbtInsTexto sbtRestauraTexto";
    EXPECT_EQ(on(), browsing);
    ASSERT_TRUE(change());
    EXPECT_TRUE(on() == "mnuConfirmar" && screen->mnuCancelar->enabled()) << on().toStdString();
    EXPECT_EQ(grid().columnOf("CDTXTPROPFAS")->buttonStyle, ColumnButtonStyle::Ellipsis) << "the lookup while editing";

    // Another user removes the text meanwhile: the change stays pending, and regenerating
    // (which would replace it unseen) waits until it is sent or given up.
    testServer().db().exec(QStringLiteral("DELETE FROM TXTPROPFAS WHERE NRPROPOSFAS = :N AND CDTXTPROPFAS = 'APRES_LU'"),
                           {{"N", number(1)}});
    f("TXPROPFAS").setAsString("<p>Outra apresentação.</p>");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Registro alterado ou excluído por outro usuário."});
    EXPECT_TRUE(texts().changeCount() == 1 && !on().contains("Texto")) << on().toStdString();
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_TRUE(texts().changeCount() == 0 && m.mnuRegeraTexto->enabled());
    EXPECT_EQ(grid().columnOf("CDTXTPROPFAS")->buttonStyle, ColumnButtonStyle::Auto);

    // Regenerating asks first and then replaces the texts (the one the other user removed
    // comes back); a mistaken regeneration is undone from the page.
    ASSERT_TRUE(m.sbtRegeraTexto->isEnabled());
    dialogs.clearShown();
    calls.clear();
    dialogs.expectConfirm(false);
    ASSERT_TRUE(menu(m.mnuRegeraTexto));
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja regerar o texto da proposta?"});
    EXPECT_TRUE(calls.isEmpty()) << "No: nothing asked of the server";

    dialogs.expectConfirm(true);
    clickButton(*m.sbtRegeraTexto);
    EXPECT_EQ(calls.firstArgs("GerarTextoPadraoProp"), (QVariantList{number(1), "01", "M", "POR", "ERP"}));
    EXPECT_EQ(dialogs.informations(), QStringList{"Texto regerado com sucesso."});
    EXPECT_EQ(stored(), (QStringList{"APRES_LU:1", "COND_LU:2"}));
    EXPECT_EQ(texts().recordCount(), 2) << "the page shows what the server made";

    dialogs.clearShown();
    dialogs.expectConfirm(true);
    clickButton(widget<TSpeedButton>("sbtRestauraTexto"));
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja restaurar os textos que a última regeração substituiu?"});
    EXPECT_EQ(dialogs.informations(), QStringList{"Textos anteriores restaurados."});
    EXPECT_EQ(stored(), QStringList{"COND_LU:2"});
    EXPECT_EQ(texts().recordCount(), 1) << "the page shows them";

    // A proposal without texts can get its first one, and be regenerated.
    ASSERT_TRUE(select(4));
    EXPECT_TRUE(texts().recordCount() == 0 && screen->mnuIncluir->enabled() && !screen->mnuAlterar->enabled() &&
                m.mnuRegeraTexto->enabled());
    EXPECT_TRUE(widget<TDBRichEdit>("dreMensagem").readOnly()) << "no text to write into";
}

}  // namespace
