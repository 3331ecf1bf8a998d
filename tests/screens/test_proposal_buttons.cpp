// Maintenance buttons of the proposal screen: the schedule checks of the confirm button,
// the cancel of the installment grid, a new proposal's version and the package that
// loses its last service.
#include <gtest/gtest.h>

#include "screens/proposal_fixture.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ProposalButtons : public ProposalFixture {
protected:
    // Proposal 1, first line's form with its four installments.
    void openSchedule() {
        openScreen();
        ASSERT_TRUE(select(1));
        ASSERT_TRUE(menu(screen->mnuLinnProdForm));
        ASSERT_EQ(screen->cdsVenc_Valor->recordCount(), 4);
    }
    // Gives the second installment the first one's due date (kept locally).
    void repeatFirstDate() {
        ClientDataSet& s = *screen->cdsVenc_Valor;
        s.first();
        const QDateTime first = s["DTVELUSOPEDP"].asDateTime();
        s.next();
        ASSERT_TRUE(runHandler([&] {
            s.edit();
            s["DTVELUSOPEDP"].setAsDateTime(first);
            s.post();
        }));
    }
};

TEST_F(ProposalButtons, RepeatedDueDatesStopTheConfirmationBeforeTheHostConfirm) {
    openSchedule();
    repeatFirstDate();
    // Something else waits to be confirmed: a new text.
    ASSERT_TRUE(menu(screen->mnuTexto));
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    ASSERT_EQ(screen->cdsMensagem->state(), DataSetState::Insert);

    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_EQ(screen->cdsMensagem->state(), DataSetState::Insert) << "the host confirm must not run";
    EXPECT_FALSE(screen->cdsAux->filtered()) << "the check leaves its copy unfiltered";
    EXPECT_EQ(screen->cdsVenc_Valor->changeCount(), 1) << "the edited schedule is kept";
}

TEST_F(ProposalButtons, RepeatedDueDatesAreReportedOnTheDateColumn) {
    openSchedule();
    repeatFirstDate();
    ASSERT_TRUE(focus(*screen, "dbgVencimento"));
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_TRUE(screen->dbgVencimento->hasFocus());
    EXPECT_EQ(screen->dbgVencimento->selectedField()->fieldName(), "DTVELUSOPEDP");
}

TEST_F(ProposalButtons, DistinctDueDatesLetTheConfirmationThrough) {
    openSchedule();
    ASSERT_TRUE(menu(screen->mnuTexto));
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    ClientDataSet& texts = *screen->cdsMensagem;
    texts["CDTXTPROPFAS"].setAsString("NOVO");
    texts["NRORDEMMSG"].setAsFloat(99);
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(texts.state(), DataSetState::Browse);
    // The list was read again and the proposal stayed current.
    EXPECT_EQ(screen->NR(), number(1));
}

TEST_F(ProposalButtons, CancelOnTheScheduleAnsweredNoKeepsTheEdits) {
    openSchedule();
    ClientDataSet& s = *screen->cdsVenc_Valor;
    ASSERT_TRUE(focus(*screen, "dbgVencimento"));
    s.first();
    const double before = s["VRVELUSOPEDP"].asFloat();
    ASSERT_TRUE(runHandler([&] {
        s.edit();
        s["VRVELUSOPEDP"].setAsFloat(before + 10);
        s.post();
    }));
    dialogs.expectConfirm(false);
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(dialogs.questions(), QStringList{msgMensagensPadroes().Msg("Canc")});
    EXPECT_EQ(s.changeCount(), 1);
    s.first();
    EXPECT_DOUBLE_EQ(s["VRVELUSOPEDP"].asFloat(), before + 10);

    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(s.changeCount(), 0);
    s.first();
    EXPECT_DOUBLE_EQ(s["VRVELUSOPEDP"].asFloat(), before) << "the server's schedule is back";
}

TEST_F(ProposalButtons, IncludingFromTheListOpensTheFormWithTheNextVersion) {
    openScreen();
    if (QWidget* w = screen->focusWidget()) w->clearFocus();  // not on the list grid
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->tshProposta);
    EXPECT_EQ(screen->cdsProposta->state(), DataSetState::Insert);
    EXPECT_EQ(screen->dbeVersao->text(), "01");
    EXPECT_FALSE(Cli_cot05000::boTestaEst);
    runHandler([&] { screen->cdsProposta->cancel(); });
}

TEST_F(ProposalButtons, DeletingThePackagesLastServiceClearsItsValueAndInstallments) {
    openScreen();
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->mnuServico));
    ASSERT_EQ(screen->cdsServico->recordCount(), 2);
    ASSERT_EQ(screen->cdsVencServ->recordCount(), 3);
    ASSERT_GT((*screen->cdsProposta)["VRPACOTESERV"].asFloat(), 0);
    ASSERT_TRUE(focus(*screen, "dbgServico"));
    ASSERT_EQ(screen->activeTable(), screen->cdsServico);

    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(screen->cdsServico->recordCount(), 1);
    EXPECT_EQ(screen->cdsVencServ->recordCount(), 3) << "a service is left: the package stays";

    dialogs.expectConfirm(true);
    EXPECT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(screen->cdsServico->recordCount(), 0);
    EXPECT_DOUBLE_EQ((*screen->cdsProposta)["VRPACOTESERV"].asFloat(), 0);
    EXPECT_EQ(screen->cdsProposta->state(), DataSetState::Browse);
    EXPECT_EQ(screen->cdsVencServ->recordCount(), 0);
}

}  // namespace
