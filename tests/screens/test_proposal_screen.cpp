// The proposal screen: who sees which proposals, one screen at a time, the list's words,
// which table the buttons act on, the pages a proposal may show and what each page loads.
// The Verify command reads again what the user is looking at: the list on the list page,
// else the table whose grid has the focus, keeping the current row. What is being edited
// (or holds changes the server has not taken) is never read over, and radio buttons set
// from the data never start an edit.

#include <QLibrary>
#include <QStatusBar>

#include "screens/proposal_fixture.h"
#include "services/load_bpl.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/number_edit.h"
#include "ui/page_control.h"
#include "ui/rich_edit.h"
#include "ui/screen.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ProposalScreen : public ProposalFixture {
protected:
    ClientTable& line() { return widget<ClientTable>("cdsLinProd"); }
    bool verify() { return runHandler([&] { screen->sbtVerificarClick(); }); }
    void focus(QWidget* w) { w->setFocus(); QApplication::processEvents(); ASSERT_TRUE(screen->hasFocus(w)); }
    int exec(const QString& sql) { return testServer().db().exec(sql, {{"N", number(2)}, {"V", "01"}}); }
    QString keptMessage(const QString& names) {
        return "Não foram lidos de novo, por estarem em edição ou com alterações ainda não gravadas: " + names + ".";
    }
};

// The branch is listed to an authorised operator, only his own to another; child tables start
// empty and the list shows words.
TEST_F(ProposalScreen, TheBranchOrOnlyHisOwnAreListedChildTablesStartEmptyAndTheListShowsWords) {
    openScreen();
    for (ClientTable* t :
         {&line(), screen->area<LineInstallmentsArea>().cdsVenc_Valor, screen->area<LineSystemsArea>().cdsSistLinhaProd,
          screen->area<TextsArea>().cdsMensagem, screen->area<ServicesArea>().cdsServico,
          screen->area<ObservationArea>().cdsObs, screen->area<SimulationArea>().cdsSimulacao,
          screen->area<SimulationProductsArea>().cdsProdSimulaLinp, screen->area<ServiceInstallmentsArea>().cdsVencServ,
          &widget<ClientTable>("cdsSistema"), screen->area<ServicesArea>().cdsTipoServObr})
        EXPECT_TRUE(t->active() && t->recordCount() == 0) << t->name().toStdString();
    EXPECT_EQ((*screen->area<TextsArea>().cdsMensagem)["CDTXTPROPFAS"].tag + (screen->proposal())["ANEXO"].tag, 2);

    ClientTable& p = screen->proposal();
    const auto words = [&](int n) {
        EXPECT_TRUE(select(n));
        return p["IDSOLPROPFAS"].displayText() + u'|' + p["IDTIPOPROPFAS"].displayText() + u'|' + p["IDCLIENPROSP"].displayText();
    };
    EXPECT_EQ(words(5) + u'/' + words(4), "Solicitação|Serviço|Cliente/Proposta|LU/Manutenção|Prospect");
    EXPECT_TRUE(words(3).contains("|Locação|"));

    // The client's decision sits next to the status picture.
    EXPECT_EQ(screen->dbgPadrao->columns().value(1)->fieldName, "IDDECCLIENTE");
    EXPECT_EQ(screen->dbgPadrao->columnOf("NOME")->caption() + u'|' + screen->dbgPadrao->columnOf("IDTIPOPROPFAS")->caption(),
              "Nome do Contratante|Contrato");

    EXPECT_FALSE(screen->requestsOnly());
    const QStringList all = listNumbers();
    // A proposal of another operator (3) is listed, those of another branch (13) are not.
    EXPECT_TRUE(all.size() == 14 && all.contains("3/01") && !all.contains("13/01")) << all.join(u' ').toStdString();
    delete screen;

    signInAs(QStringLiteral("ASSIST"));
    openScreen();
    EXPECT_TRUE(screen->requestsOnly());
    QStringList own = listNumbers();
    own.sort();
    EXPECT_EQ(own, (QStringList{"10/01", "5/01"}));
}

// The host reaches the module's screens by the names of its exported entries.
TEST(ModuleEntries, EveryFactoryTheHostCallsIsExported) {
    cot::testing::ensureApplication();  // modules are found beside the executable
    QLibrary module(modulePath(QStringLiteral("Pkg_cot05000")));
    ASSERT_TRUE(module.load()) << module.errorString().toStdString();
    for (const char* entry : {"Initialize", "Finalize", "IniProc", "CriaProposta", "CriaFiltroPropComercial",
                              "CriaIncluServ", "CriaInsTextoProp", "CriaCopiaProposta", "CriaModoProc",
                              "CriaRelPropostaComercial", "CriaAnexoProposta", "CriaAprovacao", "CriaConfAceite"})
        EXPECT_NE(module.resolve(entry), nullptr) << entry;
}

TEST_F(ProposalScreen, OneScreenAtATimeAndANewOneAfterClosing) {
    // The host loads the module and calls its generic entry.
    ASSERT_TRUE(runHandler([] { LoadBPL(QStringLiteral("Pkg_cot05000")); }));
    TfrmPropostaComercial* first = Cli_cot05000::proposalScreen();
    ASSERT_TRUE(first && first->isVisible());
    Cli_cot05000::CriaProposta();
    Cli_cot05000::CriaProposta();
    EXPECT_EQ(Cli_cot05000::proposalScreen(), first);
    int screens = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) screens += qobject_cast<TfrmPropostaComercial*>(w) ? 1 : 0;
    EXPECT_EQ(screens, 1);

    QPointer<TfrmPropostaComercial> closed = first;
    EXPECT_TRUE(first->Close());
    EXPECT_TRUE(dialogs.questions().isEmpty()) << "nothing under way: no question";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull() && !Cli_cot05000::proposalScreen()) << "closing destroys the screen";
    openScreen();
    EXPECT_TRUE(Cli_cot05000::proposalScreen() == screen && screen->proposal().recordCount() == 14);

    // Fechar drops nothing silently: an edit under way is asked about as Cancelar asks; "Não"
    // keeps the screen and the edit (nothing sent), "Sim" gives it up and closes.
    ASSERT_TRUE(select(1));
    // The observation page works on the observation, whose editor opens with Alterar.
    ASSERT_TRUE(menu(screen->menus().mnuObserv));
    EXPECT_FALSE(widget<TDBRichEdit>("dbrObs").isEnabled());
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    ClientTable& obs = *screen->activeTable();
    EXPECT_TRUE(&obs == screen->area<ObservationArea>().cdsObs && widget<TDBRichEdit>("dbrObs").isEnabled());
    obs["TXOBSPROPFAS"].setAsString("<p>Entrega em duas etapas.</p>");
    const auto stored = [&] {
        return testServer().db().scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = :NR", {{"NR", number(1)}}).toString();
    };
    const QString before = stored();
    dialogs.expectConfirm(false);
    EXPECT_FALSE(screen->Close());
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja cancelar as alterações?"});
    EXPECT_TRUE(screen->isVisible() && obs.state() == DataSetState::Edit);
    EXPECT_EQ(obs["TXOBSPROPFAS"].asString() + u'|' + stored(), "<p>Entrega em duas etapas.</p>|" + before);

    dialogs.expectConfirm(true);
    closed = screen;
    ASSERT_TRUE(runHandler([&] { screen->sbtFechar->click(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(closed.isNull() || !closed->isVisible());
    EXPECT_EQ(Cli_cot05000::proposalScreen(), nullptr);
}

TEST_F(ProposalScreen, AScreenThatCannotReadItsListIsNotCreated) {
    Session::instance().setServer(QStringLiteral("127.0.0.1"), 1);  // nobody listens there
    EXPECT_FALSE(runHandler([] { Cli_cot05000::CriaProposta(); }));
    EXPECT_TRUE(dialogs.errors().size() == 1 && Cli_cot05000::proposalScreen() == nullptr);
    EXPECT_TRUE(busyDepth() == 0 && Screen::cursor() == Screen::crDefault);
}

TEST_F(ProposalScreen, ButtonsActOnTheTableWhoseGridHasTheFocusAndMovingOnTheTextsPageReloadsOnlyTheTexts) {
    openOn(1);
    // Moving on the texts page reloads only the texts and keeps the current one.
    ASSERT_TRUE(menu(screen->menus().mnuTexto));
    ClientTable& texts = *screen->area<TextsArea>().cdsMensagem;
    ASSERT_GE(texts.recordCount(), 2);
    texts.setRecNo(2);
    const QStringList kept{texts["CDTXTPROPFAS"].asString(), texts["NRORDEMMSG"].asString()};
    ASSERT_TRUE(select(2));  // same contract: the same standard texts
    EXPECT_EQ(QStringList({texts["NRPROPOSFAS"].asString(), texts["CDTXTPROPFAS"].asString(), texts["NRORDEMMSG"].asString()}),
              QStringList{number(2)} + kept);
    EXPECT_EQ(line().recordCount() + screen->area<ServicesArea>().cdsServico->recordCount(), 0)
        << "neither product lines nor services are read for the texts page";

    ASSERT_TRUE(select(1));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    EXPECT_TRUE(screen->pgcPadrao->activePage() == screen->pages().tshProposta &&
                screen->pages().pgcDadosCont->activePage() == screen->pages().tshFormulario);
    // Lines, the first line's schedule and systems, its installments shown.
    EXPECT_EQ(QList<int>({line().recordCount(), screen->area<LineInstallmentsArea>().cdsVenc_Valor->recordCount(),
                          screen->area<LineSystemsArea>().cdsSistLinhaProd->recordCount(),
                          int(widget<TNumberEdit>("nedParcelas").value())}),
              QList<int>({2, 4, 3, 4}));
    // Licence total with the interest of schedules beyond three installments.
    const double j = (screen->paramPerc())["VRTXJUROSLICUSO"].asFloat();
    EXPECT_NEAR(widget<TNumberEdit>("nedVrTotal").value(), (1200 - 100) * 5 * (1 + j / 100), 0.005);

    // A line shown, not edited: its fields wait for Alterar, the buttons act on the lines.
    EXPECT_EQ(screen->activeTable(), &line());
    EXPECT_TRUE(!widget<TDBEdit>("dbeNmLinProd").isEnabled() && widget<TGroupBox>("grbTipoLinha").isEnabled())
        << "a kind click edits the line";
    for (TMenuItem* e : {screen->mnuAlterar, screen->mnuIncluir, screen->mnuVerificar})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    EXPECT_EQ(screen->activeTable(), &screen->proposal());
    EXPECT_EQ(screen->dtsPadrao->dataSet(), &screen->proposal()) << "the list grid shows proposals again";
}

TEST_F(ProposalScreen, AServiceOnlyProposalShowsNoProductLinesNorSimulationButItsObjective) {
    openOn(7);
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshServico);
    EXPECT_EQ(screen->activeTable(), screen->area<ServicesArea>().cdsServico);
    EXPECT_EQ(screen->area<ServicesArea>().cdsServico->recordCount() * 10 + line().recordCount(), 30) << "3 services, no line";

    ASSERT_TRUE(menu(screen->menus().mnuSimulacao));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);

    // The user's tab click on the product-line page falls back as well.
    EXPECT_TRUE(screen->pages().pgcDados->selectByUser(screen->pages().tshDados));
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshServico);

    // A proposal with product lines gets its page back.
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    EXPECT_TRUE(screen->pages().pgcDados->activePage() == screen->pages().tshDados && line().recordCount() == 2);

    // The services' objective belongs to service-only proposals: on a licence or rental one its
    // entry is off and its tab hidden, so nothing offered leads nowhere; both come back with a
    // service-only proposal, where the entry opens the tab.
    ASSERT_FALSE(screen->servicoSomente());
    EXPECT_FALSE(screen->menus().mnuObjServico->enabled() || screen->pages().tshObjServico->tabVisible());
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_FALSE(screen->menus().mnuObjServico->enabled()) << "still off on the services page";

    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(5));
    EXPECT_TRUE(screen->menus().mnuObjServico->enabled() && screen->pages().tshObjServico->tabVisible());
    ASSERT_TRUE(menu(screen->menus().mnuObjServico));
    EXPECT_EQ(screen->pages().pgcServicoGeral->activePage(), screen->pages().tshObjServico);
}

// The list page's entries are enabled as the page allows; Verify reads again.
TEST_F(ProposalScreen, EnablingFollowsThePageAndVerifyReadsTheFocusedGridOrTheListAgainOnTheSameRow) {
    openOn(2);
    const ProposalMenus& m = screen->menus();
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuProcurar, m.mnuFiltro, m.mnuCopiar, m.MododeProcessamento1,
                         m.mnuAprovacao}) EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    for (TMenuItem* e : {screen->mnuAlterar, screen->mnuExcluir, m.mnuRegeraTexto, screen->mnuConfirmar})
        EXPECT_FALSE(e->enabled()) << e->objectName().toStdString();
    for (QWidget* b : {static_cast<QWidget*>(m.sbtCopiar), static_cast<QWidget*>(screen->sbtImprimir),
                       static_cast<QWidget*>(m.sbtAprovacao)}) EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    // On the texts page the maintenance entries act on the texts (their enabling: Texts).
    ASSERT_TRUE(menu(m.mnuTexto));
    EXPECT_TRUE(widget<TDBGrid>("dbgDescProp").isEnabled() && screen->statusBar()->currentMessage().isEmpty());
    ASSERT_TRUE(menu(m.mnuLinpProdGrade));
    ASSERT_GE(line().rowCount(), 2);
    line().last();
    const QString current = line()["CDLINPPROPINFOR"].asString();
    ASSERT_EQ(exec("UPDATE LINPPROP SET NMLINPPROP = 'Lida de novo' WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V"), 2);

    focus(&widget<TDBGrid>("dbgLinProd"));
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(line()["CDLINPPROPINFOR"].asString() + u'|' + line()["NMLINPPROP"].asString(), current + "|Lida de novo")
        << "the same line stays current";
    EXPECT_TRUE(dialogs.allTexts().isEmpty());

    // On the list it reads the list again, keeping the proposal.
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(4));
    ASSERT_EQ(testServer().db().exec("UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = 'Referência lida de novo' WHERE NRPROPOSFAS = :N",
                                     {{"N", number(4)}}), 1);
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(screen->NR(), number(4));
    EXPECT_EQ(screen->proposal()["DSREFEPROPOSFAS"].asString(), "Referência lida de novo");
}

// Radio buttons set from the data never start an edit, and are left alone while the
// proposal is edited.
TEST_F(ProposalScreen, VerifyRadiosFollowTheDataWithoutStartingAnEditAndKeepWhatIsBeingEdited) {
    openOn(2);
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    // The radios were moved by hand to codes the rows do not hold (signals off: no handler).
    const auto force = [](TRadioButton* r) { const bool was = r->blockSignals(true); r->setChecked(true); r->blockSignals(was); };
    force(&widget<TRadioButton>("rbtLocacao"));
    force(&widget<TRadioButton>("rbtFilialMode"));
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked());
    const QString mode = line()["IDMPROCLINPP"].asString();
    EXPECT_EQ(widget<TRadioButton>("rbtMatrizModo").isChecked(), mode == "M");
    EXPECT_EQ(widget<TRadioButton>("rbtFilialMode").isChecked(), mode == "F");
    EXPECT_EQ(QList<DataSetState>({screen->proposal().state(), line().state()}), QList<DataSetState>(2, DataSetState::Browse));
    ASSERT_TRUE(runHandler([&] { screen->proposal().edit(); }));
    force(&widget<TRadioButton>("rbtLocacao"));
    ASSERT_TRUE(verify());
    EXPECT_TRUE(widget<TRadioButton>("rbtLocacao").isChecked());
    ASSERT_TRUE(runHandler([&] { screen->proposal().cancel(); }));

    // A line being edited is kept and the user told.
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    line()["NMLINPPROP"].setAsString("Nome em edição");

    ASSERT_TRUE(verify());
    EXPECT_EQ(line().state(), DataSetState::Edit);
    EXPECT_EQ(line()["NMLINPPROP"].asString(), "Nome em edição");
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(dialogs.informations(), QStringList{keptMessage("Linha de Produto")});

    ASSERT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    dialogs.clearShown();

    // Reading the lines again would make the schedule of the line current again, dropping an
    // installment being typed: the lines are kept as they are.
    ClientTable& rows = *screen->area<LineInstallmentsArea>().cdsVenc_Valor;
    ASSERT_FALSE(rows.isEmpty());
    focus(&widget<TDBGrid>("dbgVencimento"));
    ASSERT_TRUE(runHandler([&] { rows.edit(); }));
    const double typed = rows["VRVELUSOPEDP"].asFloat() + 1;
    rows["VRVELUSOPEDP"].setAsFloat(typed);
    ASSERT_TRUE(verify());
    EXPECT_EQ(rows.state(), DataSetState::Edit);
    EXPECT_DOUBLE_EQ(rows["VRVELUSOPEDP"].asFloat(), typed);
    EXPECT_EQ(dialogs.informations(), QStringList{keptMessage("Linha de Produto, Vencimentos da Linha de Produto")});
}

}  // namespace
