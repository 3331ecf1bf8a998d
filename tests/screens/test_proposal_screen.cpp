// The proposal screen: who sees which proposals, one screen at a time, the list's words
// and status, which table the buttons act on, the pages a proposal may show and what each
// page loads.
#include <gtest/gtest.h>

#include <QLibrary>

#include "data/data_source.h"
#include "proposal/screen/proposal_list_status.h"
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
#include <QStatusBar>

using namespace cot;
using namespace cot::testing;

namespace {

class ProposalScreen : public ProposalFixture {};

TEST_F(ProposalScreen, AnAuthorisedOperatorListsTheBranchAndAnotherOnlyHisOwn) {
    openScreen();
    EXPECT_FALSE(screen->requestsOnly());
    const QStringList all = listNumbers();
    EXPECT_EQ(all.size(), 14) << all.join(u' ').toStdString();
    EXPECT_TRUE(all.contains("3/01")) << "a proposal of another operator is listed";
    EXPECT_FALSE(all.contains("13/01")) << "proposals of another branch are not";
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
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
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
    EXPECT_TRUE(closed.isNull()) << "closing destroys the screen";
    EXPECT_EQ(Cli_cot05000::proposalScreen(), nullptr);
    openScreen();
    EXPECT_EQ(Cli_cot05000::proposalScreen(), screen);
    EXPECT_EQ(screen->proposal().recordCount(), 14);
}

TEST_F(ProposalScreen, AScreenThatCannotReadItsListIsNotCreated) {
    Session::instance().setServer(QStringLiteral("127.0.0.1"), 1);  // nobody listens there
    EXPECT_FALSE(runHandler([] { Cli_cot05000::CriaProposta(); }));
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(Cli_cot05000::proposalScreen(), nullptr);
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(Screen::cursor(), Screen::crDefault);
}

TEST_F(ProposalScreen, ChildTablesStartEmptyAndTheListShowsWords) {
    openScreen();
    for (ClientTable* t : {&widget<ClientTable>("cdsLinProd"), screen->area<LineInstallmentsArea>().cdsVenc_Valor, screen->area<LineSystemsArea>().cdsSistLinhaProd, screen->area<TextsArea>().cdsMensagem,
                             screen->area<ServicesArea>().cdsServico, screen->area<ObservationArea>().cdsObs, screen->area<SimulationArea>().cdsSimulacao, screen->area<SimulationProductsArea>().cdsProdSimulaLinp,
                             screen->area<ServiceInstallmentsArea>().cdsVencServ, &widget<ClientTable>("cdsSistema"),
                             screen->area<ServicesArea>().cdsTipoServObr}) {
        EXPECT_TRUE(t->active()) << t->name().toStdString();
        EXPECT_EQ(t->recordCount(), 0) << t->name().toStdString();
    }
    EXPECT_EQ((*screen->area<TextsArea>().cdsMensagem)["CDTXTPROPFAS"].tag, 1);
    EXPECT_EQ((screen->proposal())["ANEXO"].tag, 1);
    EXPECT_FALSE(screen->paramPerc().isEmpty());

    ClientTable& p = screen->proposal();
    const auto words = [&](int n) {
        EXPECT_TRUE(select(n));
        return p["IDSOLPROPFAS"].displayText() + u'|' + p["IDTIPOPROPFAS"].displayText() + u'|' +
               p["IDCLIENPROSP"].displayText();
    };
    EXPECT_EQ(words(5), "Solicitação|Serviço|Cliente");
    EXPECT_EQ(words(4), "Proposta|LU/Manutenção|Prospect");
    EXPECT_TRUE(words(3).contains("|Locação|"));

    // The client's decision sits next to the status picture.
    const QStringList expected{"IDSITUACAO", "IDDECCLIENTE", "PROPOSTAVERS", "DSREFEPROPOSFAS", "IDTIPOPROPFAS", "IDSOLPROPFAS",
                               "NMCONTATO", "IDCLIENPROSP", "NOME", "DTPROPOSFAS", "DTACEPROPFAS", "DTVALPROPFAS",
                               "VRTOTAL", "VRMENSAL", "OPERSOLI", "ANEXO"};
    QStringList columns;
    for (TColumn* c : screen->dbgPadrao->columns()) columns << c->fieldName;
    EXPECT_EQ(columns, expected);
    EXPECT_EQ(screen->dbgPadrao->columnOf("NOME")->caption() + u'|' + screen->dbgPadrao->columnOf("IDTIPOPROPFAS")->caption(),
              "Nome do Contratante|Contrato");
    EXPECT_EQ(screen->dbgPadrao->columnOf("DSREFEPROPOSFAS")->width, 244);
    // The catalogue is compiled in.
    EXPECT_EQ(screen->msgPadrao.Msg("datajacad"), "Datas de vencimento não podem ser iguais.");
    EXPECT_EQ(screen->msgPadrao.Msg("Tip_N_Alter"), "Linha de produto possui sistema cadastrado. \nTipo não pode ser alterado.");
}

TEST_F(ProposalScreen, ButtonsActOnTheTableWhoseGridHasTheFocus) {
    openScreen();
    ASSERT_TRUE(select(1));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);
    EXPECT_EQ(screen->pages().pgcDadosCont->activePage(), screen->pages().tshFormulario);
    EXPECT_EQ(widget<ClientTable>("cdsLinProd").recordCount(), 2);
    EXPECT_EQ(screen->area<LineInstallmentsArea>().cdsVenc_Valor->recordCount(), 4) << "the first line's schedule";
    EXPECT_EQ(screen->area<LineSystemsArea>().cdsSistLinhaProd->recordCount(), 3);
    EXPECT_EQ(widget<TNumberEdit>("nedParcelas").value(), 4);
    // Licence total with the interest of schedules beyond three installments.
    const double j = (screen->paramPerc())["VRTXJUROSLICUSO"].asFloat();
    EXPECT_NEAR(widget<TNumberEdit>("nedVrTotal").value(), (1200 - 100) * 5 * (1 + j / 100), 0.005);

    // A line shown, not edited: its fields wait for Alterar, the buttons act on the lines.
    EXPECT_EQ(screen->activeTable(), &widget<ClientTable>("cdsLinProd"));
    EXPECT_FALSE(widget<TDBEdit>("dbeNmLinProd").isEnabled());
    EXPECT_TRUE(widget<TGroupBox>("grbTipoLinha").isEnabled()) << "a kind click edits the line";
    for (TMenuItem* e : {screen->mnuAlterar, screen->mnuIncluir, screen->mnuVerificar})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    ASSERT_TRUE(menu(screen->menus().mnuTexto));
    EXPECT_EQ(screen->activeTable(), screen->area<TextsArea>().cdsMensagem);
    // The observation page works on the observation, whose editor opens with Alterar.
    ASSERT_TRUE(menu(screen->menus().mnuObserv));
    EXPECT_EQ(screen->activeTable(), screen->area<ObservationArea>().cdsObs);
    EXPECT_EQ(screen->area<ObservationArea>().cdsObs->recordCount(), 1);
    EXPECT_FALSE(widget<TDBRichEdit>("dbrObs").isEnabled());
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    EXPECT_TRUE(widget<TDBRichEdit>("dbrObs").isEnabled());
    screen->area<ObservationArea>().cdsObs->cancel();
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    EXPECT_EQ(screen->activeTable(), &screen->proposal());
    EXPECT_EQ(screen->dtsPadrao->dataSet(), &screen->proposal()) << "the list grid shows proposals again";
}

TEST_F(ProposalScreen, EnablingFollowsThePage) {
    openScreen();
    ASSERT_TRUE(select(2));
    const ProposalMenus& m = screen->menus();
    for (TMenuItem* e : {screen->mnuIncluir, screen->mnuProcurar, m.mnuFiltro, m.mnuCopiar, m.MododeProcessamento1,
                         m.mnuAprovacao})
        EXPECT_TRUE(e->enabled()) << e->objectName().toStdString();
    for (TMenuItem* e : {screen->mnuAlterar, screen->mnuExcluir, m.mnuRegeraTexto, screen->mnuConfirmar})
        EXPECT_FALSE(e->enabled()) << e->objectName().toStdString();
    for (QWidget* b : {static_cast<QWidget*>(m.sbtCopiar), static_cast<QWidget*>(screen->sbtImprimir),
                       static_cast<QWidget*>(m.sbtAprovacao)})
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    // On the texts page the maintenance entries act on the texts (their enabling: Texts).
    ASSERT_TRUE(menu(m.mnuTexto));
    EXPECT_TRUE(widget<TDBGrid>("dbgDescProp").isEnabled());
    EXPECT_TRUE(screen->statusBar()->currentMessage().isEmpty());
}

TEST_F(ProposalScreen, AServiceOnlyProposalShowsNoProductLinesNorSimulationButItsObjective) {
    openScreen();
    ASSERT_TRUE(select(7));
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshServico);
    EXPECT_EQ(screen->area<ServicesArea>().cdsServico->recordCount(), 3);
    EXPECT_EQ(screen->activeTable(), screen->area<ServicesArea>().cdsServico);
    EXPECT_EQ(widget<ClientTable>("cdsLinProd").recordCount(), 0);

    ASSERT_TRUE(menu(screen->menus().mnuSimulacao));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);

    // The user's tab click on the product-line page falls back as well.
    EXPECT_TRUE(screen->pages().pgcDados->selectByUser(screen->pages().tshDados));
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshServico);

    // A proposal with product lines gets its page back.
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    EXPECT_EQ(screen->pages().pgcDados->activePage(), screen->pages().tshDados);
    EXPECT_EQ(widget<ClientTable>("cdsLinProd").recordCount(), 2);

    // The services' objective belongs to service-only proposals: on a licence or rental one its
    // entry is off and its tab hidden, so nothing offered leads nowhere; both come back with a
    // service-only proposal, where the entry opens the tab.
    ASSERT_FALSE(screen->servicoSomente());
    EXPECT_FALSE(screen->menus().mnuObjServico->enabled());
    EXPECT_FALSE(screen->pages().tshObjServico->tabVisible());
    ASSERT_TRUE(menu(screen->menus().mnuServico));
    EXPECT_FALSE(screen->menus().mnuObjServico->enabled()) << "still off on the services page";

    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(5));
    ASSERT_TRUE(screen->servicoSomente());
    EXPECT_TRUE(screen->menus().mnuObjServico->enabled());
    EXPECT_TRUE(screen->pages().tshObjServico->tabVisible());
    ASSERT_TRUE(menu(screen->menus().mnuObjServico));
    EXPECT_EQ(screen->pages().pgcServicoGeral->activePage(), screen->pages().tshObjServico);
    EXPECT_EQ(screen->activeTable(), screen->area<ServiceObjectiveArea>().cdsObjServico);
}

TEST_F(ProposalScreen, MovingOnTheTextsPageReloadsOnlyTheTextsAndKeepsTheCurrentOne) {
    openScreen();
    ASSERT_TRUE(select(1));
    ASSERT_TRUE(menu(screen->menus().mnuTexto));
    ClientTable& texts = *screen->area<TextsArea>().cdsMensagem;
    ASSERT_GE(texts.recordCount(), 2);
    texts.setRecNo(2);
    const QString code = texts["CDTXTPROPFAS"].asString();
    const double order = texts["NRORDEMMSG"].asFloat();

    ASSERT_TRUE(select(2));  // same contract: the same standard texts
    EXPECT_EQ(texts["NRPROPOSFAS"].asString(), number(2));
    EXPECT_EQ(texts["CDTXTPROPFAS"].asString(), code);
    EXPECT_EQ(texts["NRORDEMMSG"].asFloat(), order);
    EXPECT_EQ(widget<ClientTable>("cdsLinProd").recordCount(), 0) << "product lines are not read for the texts page";
    EXPECT_EQ(screen->area<ServicesArea>().cdsServico->recordCount(), 0);

    ASSERT_TRUE(select(4));  // no texts
    EXPECT_EQ(texts.recordCount(), 0);
}

// Fechar drops nothing silently: an edit under way is asked about as Cancelar asks; "Não"
// keeps the screen and the edit (nothing sent), "Sim" gives it up and closes.
TEST_F(ProposalScreen, ClosingWithAnEditUnderWayAsksFirst) {
    openScreen();
    ASSERT_TRUE(select(1));
    ASSERT_TRUE(menu(screen->menus().mnuObserv));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    ClientTable& obs = *screen->activeTable();  // the observation
    obs["TXOBSPROPFAS"].setAsString("<p>Entrega em duas etapas.</p>");
    const auto stored = [&] {
        return testServer().db().scalar("SELECT TXOBSPROPFAS FROM OBSPROPFAS WHERE NRPROPOSFAS = :NR",
                                        {{"NR", number(1)}}).toString();
    };
    const QString before = stored();

    dialogs.expectConfirm(false);
    EXPECT_FALSE(screen->Close());
    EXPECT_EQ(dialogs.questions(), QStringList{"Deseja cancelar as alterações?"});
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(obs.state(), DataSetState::Edit);
    EXPECT_EQ(obs["TXOBSPROPFAS"].asString(), "<p>Entrega em duas etapas.</p>");
    EXPECT_EQ(stored(), before);

    dialogs.expectConfirm(true);
    QPointer<TfrmPropostaComercial> closing = screen;
    EXPECT_TRUE(screen->Close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(stored(), before);
    if (closing) {
        EXPECT_FALSE(closing->isVisible());
    }
}

}  // namespace
