// Maintenance buttons of the proposal screen: the schedule checks of the confirm button,
// the cancel of the installment grid and a new proposal's version.
#include <gtest/gtest.h>

#include "screens/proposal_fixture.h"
#include "ui/db_edit.h"
#include "ui/db_grid.h"
#include "ui/buttons.h"
#include "ui/menus.h"
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
        ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
        ASSERT_EQ(screen->area<LineInstallmentsArea>().cdsVenc_Valor->recordCount(), 4);
    }
    // Moves the second and third installments to one new day: the server has nothing on
    // it, so each edit passes its own check, and only the schedule as a whole repeats it.
    void repeatFirstDate() {
        ClientTable& s = *screen->area<LineInstallmentsArea>().cdsVenc_Valor;
        s.first();
        const QDateTime day = s["DTVELUSOPEDP"].asDateTime().addDays(3);
        for (int i = 0; i < 2; ++i) {
            s.next();
            ASSERT_TRUE(runHandler([&] {
                s.edit();
                s["DTVELUSOPEDP"].setAsDateTime(day);
                s.post();
            }));
        }
    }
};

// A change elsewhere goes through (sent, merged, the proposal kept current on the list read
// again); repeated due dates stop the confirmation before the host's confirm.
TEST_F(ProposalButtons, ConfirmationGoesThroughUnlessDueDatesRepeat) {
    openSchedule();
    ASSERT_TRUE(menu(screen->menus().mnuObserv));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    ClientTable& obs = *screen->activeTable();
    obs["TXOBSPROPFAS"].setAsString("<p>Entrega em duas etapas.</p>");
    EXPECT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_EQ(obs.state(), DataSetState::Browse);
    EXPECT_EQ(obs.changeCount(), 0) << "sent and merged";
    EXPECT_EQ(screen->NR(), number(1));

    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    repeatFirstDate();
    const int calls = screen->net().calls();
    EXPECT_FALSE(runHandler([&] { screen->sbtConfirmarClick(); }));
    EXPECT_EQ(dialogs.errors(), QStringList{"Datas de vencimento não podem ser iguais."});
    EXPECT_EQ(screen->net().calls(), calls) << "nothing is sent, the list is not reloaded";
    EXPECT_FALSE(widget<ClientTable>("cdsAux").filtered()) << "the check leaves its copy unfiltered";
    EXPECT_EQ(screen->area<LineInstallmentsArea>().cdsVenc_Valor->changeCount(), 2) << "the edited schedule is kept";
    EXPECT_EQ(widget<TDBGrid>("dbgVencimento").selectedField()->fieldName(), "DTVELUSOPEDP");
}

TEST_F(ProposalButtons, IncludingFromTheListOpensTheFormWithTheNextVersion) {
    openScreen();
    if (QWidget* w = screen->focusWidget()) w->clearFocus();  // not on the list grid
    ASSERT_TRUE(runHandler([&] { screen->sbtIncluirClick(); }));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);
    EXPECT_EQ(screen->proposal().state(), DataSetState::Insert);
    EXPECT_EQ(widget<TDBEdit>("dbeVersao").text(), "01");
    runHandler([&] { screen->proposal().cancel(); });
}

}  // namespace
