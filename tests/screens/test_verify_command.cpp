// The Verify command reads again what the user is looking at: the list on the list page,
// else the table whose grid has the focus, keeping the current row. What is being edited
// (or holds changes the server has not taken) is never read over, and radio buttons set
// from the data never start an edit.
#include <gtest/gtest.h>

#include <QApplication>

#include "proposal/product_lines/line_installments_area.h"
#include "proposal/services/services_area.h"
#include "screens/proposal_fixture.h"
#include "support/screen_widgets.h"
#include "ui/buttons.h"
#include "ui/db_grid.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::testing;

namespace {

class VerifyCommand : public ProposalFixture {
protected:
    ClientTable& line() { return widget<ClientTable>("cdsLinProd"); }

    bool verify() { return runHandler([&] { screen->sbtVerificarClick(); }); }
    void focus(QWidget* w) {
        w->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(screen->hasFocus(w));
    }
    int exec(const QString& sql) { return testServer().db().exec(sql, {{"N", number(2)}, {"V", "01"}}); }
    QString keptMessage(const QString& names) {
        return "Não foram lidos de novo, por estarem em edição ou com alterações ainda não gravadas: " + names + ".";
    }
};

TEST_F(VerifyCommand, ReadsTheFocusedGridOrTheListAgainOnTheSameRow) {
    openScreen();
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->menus().mnuLinpProdGrade));
    ASSERT_GE(line().rowCount(), 2);
    line().last();
    const QString current = line()["CDLINPPROPINFOR"].asString();
    ASSERT_EQ(exec("UPDATE LINPPROP SET NMLINPPROP = 'Lida de novo' WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V"), 2);

    focus(&widget<TDBGrid>("dbgLinProd"));
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(line()["CDLINPPROPINFOR"].asString(), current) << "the same line stays current";
    EXPECT_EQ(line()["NMLINPPROP"].asString(), "Lida de novo");
    EXPECT_TRUE(dialogs.allTexts().isEmpty());

    // On the list it reads the list again, keeping the proposal.
    ASSERT_TRUE(menu(screen->menus().mnuProposta));
    ASSERT_TRUE(select(4));
    ASSERT_EQ(exec("UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = 'Referência lida de novo' WHERE NRPROPOSFAS = '" + number(4) +
                   "'"),
              1);
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(screen->NR(), number(4));
    EXPECT_EQ(screen->proposal()["DSREFEPROPOSFAS"].asString(), "Referência lida de novo");
}

TEST_F(VerifyCommand, KeepsWhatIsBeingEditedAndSaysSoAnInstallmentBeingTypedKeepsTheLinesToo) {
    openScreen();
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    line()["NMLINPPROP"].setAsString("Nome em edição");

    ASSERT_TRUE(verify());
    EXPECT_EQ(line().state(), DataSetState::Edit);
    EXPECT_EQ(line()["NMLINPPROP"].asString(), "Nome em edição");
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(dialogs.informations(), QStringList{keptMessage("Linha de Produto")});

    // Confirmed, Verify reads what the server holds: the edit itself.
    ASSERT_TRUE(runHandler([&] { screen->sbtConfirmarClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    dialogs.clearShown();
    ASSERT_TRUE(verify());
    EXPECT_EQ(line()["NMLINPPROP"].asString(), "Nome em edição");
    EXPECT_TRUE(dialogs.allTexts().isEmpty());

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

TEST_F(VerifyCommand, RadiosFollowTheDataWithoutStartingAnEdit) {
    openScreen();
    ASSERT_TRUE(select(2));
    ASSERT_TRUE(menu(screen->menus().mnuLinnProdForm));

    // The radios were moved by hand to codes the rows do not hold (signals off: no handler).
    const auto force = [](TRadioButton* r) {
        const bool was = r->blockSignals(true);
        r->setChecked(true);
        r->blockSignals(was);
    };
    force(&widget<TRadioButton>("rbtLocacao"));
    force(&widget<TRadioButton>("rbtFilialMode"));
    ASSERT_TRUE(verify()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked());
    const QString mode = line()["IDMPROCLINPP"].asString();
    EXPECT_EQ(widget<TRadioButton>("rbtMatrizModo").isChecked(), mode == "M");
    EXPECT_EQ(widget<TRadioButton>("rbtFilialMode").isChecked(), mode == "F");
    EXPECT_EQ(screen->proposal().state(), DataSetState::Browse);
    EXPECT_EQ(line().state(), DataSetState::Browse);

    // While the proposal is edited the contract radios are left alone.
    ASSERT_TRUE(runHandler([&] { screen->proposal().edit(); }));
    force(&widget<TRadioButton>("rbtLocacao"));
    ASSERT_TRUE(verify());
    EXPECT_TRUE(widget<TRadioButton>("rbtLocacao").isChecked());
}

}  // namespace
