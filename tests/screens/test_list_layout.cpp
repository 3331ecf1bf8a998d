// The proposal list as people work in it: the value and number columns, the current proposal
// kept when a column title sorts, the operator's column layout (widths and
// order) found again when the list is read again or the screen reopens, and opening a
// proposal's form from the list.
#include <QHeaderView>
#include <QTemporaryDir>

#include "screens/proposal_fixture.h"
#include "services/settings_store.h"
#include "services/session.h"
#include "ui/db_grid.h"
#include "ui/db_grid_model.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::testing;

namespace {

class ListLayout : public ProposalFixture {
protected:
    void SetUp() override { qputenv("COT_CONFIG_DIR", config.path().toUtf8()); ProposalFixture::SetUp(); }
    void TearDown() override { ProposalFixture::TearDown(); qunsetenv("COT_CONFIG_DIR"); }
    TDBGrid* grid() { return screen->dbgPadrao; }
    int place(const char* field) { return grid()->horizontalHeader()->visualIndex(grid()->columnOf(field)->index); }
    int widthOf(const char* field) { return grid()->columnWidth(grid()->columnOf(field)->index); }
    void reopen() { delete Cli_cot05000::proposalScreen(); openScreen(); }
    QTemporaryDir config;
};

TEST_F(ListLayout, TheValueAndNumberColumnsATitleClickKeepsTheCurrentProposalAndEnterOrADoubleClickOpensTheForm) {
    openScreen();
    TColumn* value = grid()->columnOf("VRTOTAL");
    ASSERT_TRUE(value && grid()->columnOf("VRMENSAL"));
    EXPECT_EQ(value->caption() + u'|' + grid()->columnOf("VRMENSAL")->caption(), "Valor único|Mensal");
    EXPECT_EQ(place("VRMENSAL"), place("VRTOTAL") + 1) << "the monthly value beside the one-off one";
    ASSERT_TRUE(select(1));
    EXPECT_GT(screen->proposal()["VRTOTAL"].asFloat(), 0.0) << "demo proposal 1 has priced lines";
    const QString text = grid()->gridModel()->cellText(grid()->row(), value->index);
    EXPECT_TRUE(text.right(3).startsWith(u',')) << text.toStdString();
    EXPECT_TRUE(grid()->gridModel()->data(grid()->gridModel()->index(grid()->row(), value->index), Qt::TextAlignmentRole)
                    .value<Qt::Alignment>() & Qt::AlignRight);
    // Procurar offers the client's or prospect's name by the column's title.
    // The number as people read it, its version after the slash; the stored key unchanged.
    ClientTable& t = screen->proposal();
    EXPECT_EQ(QStringList({t["NOME"].label(), t["PROPOSTAVERS"].displayText(), t["NRPROPOSFAS"].asString()}),
              QStringList({"Nome do Contratante", "1/01", number(1)}));
    EXPECT_GT(widthOf("PROPOSTAVERS"), grid()->fontMetrics().horizontalAdvance("1/01"));

    // A title click sorts, and the current proposal stays selected.
    ASSERT_TRUE(select(3));
    grid()->titleSortClick(value->index);
    // The order itself: unit/test_grid_sort.cpp.
    EXPECT_EQ(screen->NR(), number(3)) << "the same proposal stays current";
    EXPECT_EQ(grid()->gridModel()->cellText(grid()->row(), grid()->columnOf("PROPOSTAVERS")->index), "3/01")
        << "and the grid shows it as the current row";

    // Enter, or a double click outside the attachment column, opens the proposal's form.
    TDBGrid* grid = this->grid();
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(focusWidget(*grid));
    ASSERT_TRUE(grid->setSelectedField("NOME"));
    pressKey(*grid, Qt::Key_Return);
    EXPECT_TRUE(screen->pgcPadrao->activePage() == screen->pages().tshProposta && screen->NR() == number(2) &&
                screen->proposal().state() == DataSetState::Browse);

    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(4));
    ASSERT_TRUE(grid->setSelectedField("DSREFEPROPOSFAS"));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {},
                       grid->visualRect(grid->model()->index(grid->row(), grid->selectedIndex())).center());
    processEvents();
    EXPECT_TRUE(screen->pgcPadrao->activePage() == screen->pages().tshProposta && screen->NR() == number(4));
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

TEST_F(ListLayout, WidthsAndOrderAreKeptThroughReloadsForTheOperator) {
    openScreen();
    const int standard = widthOf("VRTOTAL");
    QHeaderView* header = grid()->horizontalHeader();
    header->resizeSection(grid()->columnOf("VRTOTAL")->index, standard + 60);
    header->moveSection(place("NOME"), 1);
    ASSERT_TRUE(runHandler([&] { screen->sbtVerificarClick(); }));  // the list read again
    EXPECT_EQ(QList<int>({widthOf("VRTOTAL"), place("NOME")}), QList<int>({standard + 60, 1}));
    screen->Close();

    reopen();
    EXPECT_EQ(QList<int>({widthOf("VRTOTAL"), place("NOME"), place("IDSITUACAO")}), QList<int>({standard + 60, 1, 0}));
    signInAs("GERENTE");
    reopen();
    EXPECT_EQ(place("NOME"), grid()->columnOf("NOME")->index) << "another operator has the standard layout";
}

TEST_F(ListLayout, AColumnNoLongerListedIsPassedOver) {
    // A layout saved when the list had another column, and before it had the value column.
    SettingsStore().save("COT05000_colunas", Session::instance().operatorCode(), "dbgPadrao",
                         {{"COLUNAVELHA", "80"}, {"NOME", "250"}, {"IDSITUACAO", "27"}, {"PROPOSTAVERS", "300"}});
    openScreen();
    EXPECT_EQ(QList<int>({place("NOME"), place("IDSITUACAO"), place("PROPOSTAVERS"), widthOf("NOME")}), QList<int>({0, 1, 2, 250}));
    EXPECT_GT(place("VRTOTAL"), 2) << "a column the layout does not know keeps its place after";
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
}

}  // namespace
