// The bar above the proposal list: the search box, the filter marker a pipeline drill-down
// leaves with "Limpar filtro", the list following a client's decision with the cursor kept,
// Procurar starting on the name, and the client-side entries on the toolbar.
#include "dialogs/filter_words.h"
#include "dialogs/pipeline/pipeline_drill.h"
#include "proposal/screen/list_bar.h"
#include "screens/list_cases.h"
#include "screens/proposal_fixture.h"
#include "ui/buttons.h"
#include "ui/containers.h"
#include "ui/lookup_find.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ListBar : public ProposalFixture {
protected:
    ProposalListBar& bar() { return screen->listBar(); }
    void search(const QString& text) {
        bar().edtBusca->setText(text);
        bar().applySearch();
    }
    // The client's decision on the listed version "n/vv", today at `at`.
    void decide(const QString& listed, const char* decision, const QTime& at) {
        storeDecision(testServer().db(), listed.section(u'/', 0, 0).toInt(), listed.section(u'/', 1), decision,
                      QDateTime(QDate(2026, 12, 6), at));
    }
};

TEST(FilterWords, EachRestrictingCriterionInWordsAndNoneForACleanFilter) {
    using namespace Cli_cot05002;
    EXPECT_TRUE(filterWords(TFILTRO()).isEmpty());
    TFILTRO f;
    f.DATAAPROVACAO = {QDateTime(QDate(1900, 1, 1), {}), QDateTime(QDate(2999, 12, 31), {})};
    f.DADOSCLIENTE = {true, "'000001','000002'"};
    f.CONTRATOSTATUS = {false, true, false, true};
    f.DADOSREFERENCIA.stReferencia = " ERP ";
    EXPECT_EQ(filterWords(f), QStringList({"aceitas", "2 clientes", "contrato: Lu/Manutenção, Locação",
                                           "referência contém \"ERP\""}));
}

TEST_F(ListBar, TheSearchNarrowsAPipelineDrillShowsTheMarkerAndLimparFiltroBringsEverythingBack) {
    openScreen();
    const QStringList all = listNumbers();
    search("beta COMERCIO");
    EXPECT_TRUE(screen->proposal()["NOME"].asString().startsWith("Beta Comércio"));
    search("1/01");
    EXPECT_EQ(listNumbers(), QStringList{"1/01"});
    search("");
    EXPECT_EQ(listNumbers(), all) << "an empty box lists everything";

    EXPECT_FALSE(bar().panFiltro->isVisibleTo(screen));
    const int whole = screen->proposal().recordCount();
    ASSERT_TRUE(runHandler([&] {
        showInList(*screen, pipelineCriteria({"V", "", QDate(2026, 1, 1), QDate(2026, 12, 6), ""}));
    }));
    EXPECT_TRUE(screen->proposal().recordCount() < whole && bar().panFiltro->isVisibleTo(screen));
    EXPECT_EQ(bar().lblFiltro->text(),
              "Filtro: cadastro de 01/01/2026 a 06/12/2026; situação: Válidas; sem decisão do cliente");
    search("alfa");  // a search within the filter goes with it
    click(*screen, "btfLimparFiltro");
    EXPECT_EQ(screen->proposal().recordCount(), whole);
    EXPECT_TRUE(!bar().panFiltro->isVisibleTo(screen) && bar().edtBusca->text().isEmpty());
    EXPECT_TRUE(screen->listFilter().dialog()->Filtro.DADOSSTATUS.boTodas) << "the dialog opens clean";
}

TEST_F(ListBar, AClientsDecisionReloadsTheListKeepingTheCursor) {
    openScreen();
    const QStringList listed = listNumbers();
    ASSERT_GE(listed.size(), 4);
    EXPECT_FALSE(bar().checkDecisions()) << "the first look only notes where things stand";
    ClientTable& list = screen->proposal();
    ASSERT_TRUE(runHandler([&] { list.setRecNo(3); }));
    const ProposalKey before = screen->key();
    EXPECT_FALSE(bar().checkDecisions()) << "nothing new: the list is not read again";

    decide(listed[1], "A", QTime(11, 0));
    EXPECT_TRUE(bar().checkDecisions());
    EXPECT_EQ(QStringList({screen->key().nr, screen->key().ver}), QStringList({before.nr, before.ver})) << "the cursor stays";
    list.withRow(1, [&] { EXPECT_EQ(list["IDDECCLIENTE"].asString(), "A") << "the decision shows"; });

    // While a proposal is typed, or another page is shown, the list is left alone.
    ASSERT_TRUE(runHandler([&] { list.edit(); }));
    decide(listed[3], "R", QTime(11, 5));
    EXPECT_FALSE(bar().checkDecisions());
    ASSERT_TRUE(runHandler([&] { list.cancel(); }));
    EXPECT_FALSE(bar().checkDecisions()) << "the form page is shown";
    ASSERT_TRUE(runHandler([&] { screen->showPage(screen->tshPadrao); }));
    EXPECT_TRUE(bar().checkDecisions());
}

TEST_F(ListBar, ProcurarStartsOnTheNameAndTheToolbarMirrorsTheClientEntriesAndWraps) {
    openScreen();
    dialogs.expectFind([](ClientTable& t) { return findRow(t, "NOME", "beta comercio"); });
    click(*screen, "sbtProcurar");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text == "NOME" && screen->proposal()["NOME"].asString().startsWith("Beta Comércio"));

    const ProposalMenus& m = screen->menus();
    ASSERT_TRUE(runHandler([&] { screen->proposal().edit(); }));
    for (const auto& [button, entry] : {std::pair{m.sbtEnviarCliente, m.mnuEnviarCliente},
                                        {m.sbtCompararVersoes, m.mnuCompararVersoes}, {m.sbtHistorico, m.mnuHistorico},
                                        {m.sbtPainel, m.mnuPainel}, {m.sbtExportar, m.mnuExportar}}) {
        EXPECT_FALSE(entry->shortcut().isEmpty()) << entry->objectName().toStdString();
        EXPECT_EQ(button->isEnabled(), entry->enabled()) << entry->objectName().toStdString();
    }
    EXPECT_FALSE(m.sbtEnviarCliente->isEnabled()) << "closed while a proposal is typed";
    ASSERT_TRUE(runHandler([&] { screen->proposal().cancel(); }));

    // However many buttons the bar holds, the screen fits a laptop's 1366 pixels and, narrower
    // still, wraps them: every button stays whole inside the window.
    EXPECT_LE(screen->minimumSizeHint().width(), 1024);
    screen->resize(1024, 700);
    screen->show();
    QCoreApplication::processEvents();
    const QRect inside = screen->panBotoes->rect();
    for (TSpeedButton* b : screen->panBotoes->findChildren<TSpeedButton*>())
        EXPECT_TRUE(!b->isVisibleTo(screen) || inside.contains(b->geometry())) << b->objectName().toStdString();
    EXPECT_GT(screen->menus().sbtExportar->y(), screen->sbtIncluir->y()) << "a second row";
}

}  // namespace
