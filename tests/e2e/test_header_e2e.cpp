// A proposal header through the real widgets, from the list to the database: created
// by typing and lookups, confirmed, listed, edited and deleted.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "screens/header_fixture.h"
#include "ui/buttons.h"
#include "ui/db_edit.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderEndToEnd : public HeaderFixture {};

TEST_F(HeaderEndToEnd, CreateListEditAndDeleteAProposal) {
    ClientTable& t = screen->proposal();
    const int listed = t.recordCount();

    // New proposal from the list.
    click(*screen, "sbtIncluir");
    ASSERT_EQ(t.state(), DataSetState::Insert) << dialogs.errors().join("; ").toStdString();
    const QString nr = t["NRPROPOSFAS"].asString();
    EXPECT_EQ(widget<TDBEdit>("dbeVersao").text(), "01");

    // Client by its lookup, reference typed, contact and product by their lookups.
    dialogs.expectPick([](ClientTable& list) { return list.locate("NRINSJURCLIE", kAlfa); });
    click(*screen, "btnPesqCliPros");
    EXPECT_EQ(t["NOME"].asString(), "Alfa Sistemas");
    EXPECT_EQ(t["NRMESREAJPROP"].asString(), "03");
    type(*screen, "dbeDsReferencia", "Proposta de ponta a ponta");
    dialogs.expectPick([](ClientTable& list) { return list.locate("NRCONTATO", "0000000001"); });
    click(*screen, "btnPesqContato");
    EXPECT_EQ(t["DSREFECONT"].asString(), "Ana Paula - Compras Alfa");
    dialogs.expectPick([](ClientTable& list) { return list.locate("CDPROCOMERCI", "FOLHA"); });
    click(*screen, "btnPesqProdComer");
    dialogs.expectPick([](ClientTable& list) { return list.locate("CDINTECLIE", "02"); });
    click(*screen, "btnPesqInterLoc");
    EXPECT_EQ(t["NMINTECLIE"].asString(), "Débora Martins");
    ASSERT_TRUE(focus(*screen, "rbtLuManut"));
    press(*screen, "rbtLuManut", Qt::Key_Space);
    EXPECT_TRUE(widget<TRadioButton>("rbtLuManut").isChecked());

    // Confirm: saved on the server and listed.
    click(*screen, "sbtConfirmar");
    ASSERT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    const QVariantMap row = storedRow(nr, "01");
    QStringList stored;
    for (const char* field : {"DSREFEPROPOSFAS", "CDCLIENTE", "NRCONTATO", "CDPROCOMERCI", "CDINTECLIE", "IDTIPOPROPFAS",
                              "IDSOLPROPFAS"})
        stored << row.value(field).toString();
    EXPECT_EQ(stored, (QStringList{"Proposta de ponta a ponta", kAlfa, "0000000001", "FOLHA", "02", "M", "S"}));
    EXPECT_EQ(t.recordCount(), listed + 1);
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {nr, "01"}));
    EXPECT_EQ(t["NOME"].asString(), "Alfa Sistemas");

    // Edit the reference.
    screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
    screen->setActiveTable(&screen->proposal());
    click(*screen, "sbtAlterar");
    ASSERT_EQ(t.state(), DataSetState::Edit) << dialogs.errors().join("; ").toStdString();
    ASSERT_TRUE(focus(*screen, "dbeDsReferencia"));
    press(*screen, "dbeDsReferencia", Qt::Key_A, Qt::ControlModifier);
    type(*screen, "dbeDsReferencia", "Referencia revista");
    click(*screen, "sbtConfirmar");
    ASSERT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(storedRow(nr, "01").value("DSREFEPROPOSFAS").toString(), "Referencia revista");

    // Delete it.
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {nr, "01"}));
    screen->setActiveTable(&screen->proposal());
    dialogs.expectConfirm(true);
    click(*screen, "sbtExcluir");
    ASSERT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_TRUE(storedRow(nr, "01").isEmpty());
    EXPECT_FALSE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {nr, "01"}));
}

// A picture of the header of a demo proposal being edited, for the documentation.
// Written only when COT_HEADER_SCREENSHOT names the file.
TEST_F(HeaderEndToEnd, PictureOfTheHeaderForm) {
    const QString path = qEnvironmentVariable("COT_HEADER_SCREENSHOT");
    if (path.isEmpty()) GTEST_SKIP() << "COT_HEADER_SCREENSHOT not set";
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
    screen->pgcPadraoChange();
    screen->setActiveTable(&screen->proposal());
    ASSERT_TRUE(runHandler([&] { t.edit(); }));
    t["NRMESREAJPROP"].setAsString("07");
    screen->resize(1280, 800);
    processEvents();
    focus(*screen, "dbeDsReferencia");
    processEvents();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(screen->grab().save(path));
    EXPECT_GT(QImage(path).width(), 1000);
    runHandler([&] { t.cancel(); });
}

}  // namespace
