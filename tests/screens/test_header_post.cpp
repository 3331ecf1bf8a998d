// The proposal header on the real screen: a new proposal's defaults, the checks of a
// post with their messages and focus, and what reaches the server.
#include <gtest/gtest.h>

#include <QLabel>

#include "base/errors.h"
#include "data/client_table.h"
#include "module/module_factories.h"
#include "proposal/screen/areas.h"
#include "proposal/screen/proposal_screen.h"
#include "screens/form.h"
#include "screens/header_fixture.h"
#include "services/session.h"
#include "ui/busy_animation.h"
#include "ui/buttons.h"
#include "ui/date_edit.h"
#include "ui/db_combo_box.h"
#include "ui/db_edit.h"
#include "ui/event_boundary.h"
#include "ui/page_control.h"

using namespace cot;
using namespace cot::testing;

namespace {

class HeaderPost : public HeaderFixture {};

TEST_F(HeaderPost, ANewProposalTakesItsNumberAndDefaultsAtOnce) {
    startNewProposal();
    ClientTable& t = screen->proposal();
    ASSERT_EQ(t.state(), DataSetState::Insert);
    const QString number = t["NRPROPOSFAS"].asString();
    EXPECT_EQ(number.size(), 20);
    EXPECT_GT(number.toLongLong(), 14) << "numbers of the demo proposals are taken";
    EXPECT_EQ(widget<TDBEdit>("dbeVersao").text(), "01") << "proposed in the version edit";
    EXPECT_EQ(QList<QDate>({t["DTPROPOSFAS"].asDateTime().date(), t["DTVALPROPFAS"].asDateTime().date()}),
              QList<QDate>({QDate(2026, 12, 6), QDate(2027, 1, 5)}));
    EXPECT_EQ(QStringList({t["CDOPERSOLI"].asString(), t["OPERSOLI"].asString(), t["IDCLIENPROSP"].asString(),
                           t["IDSOLPROPFAS"].asString(), t["IDTIPOCOBRSERV"].asString(),
                           widget<TDBComboBox>("dbcTipoProp").text(), widget<TDBComboBox>("cbbCliProsp").text()}),
              QStringList({"VENDEDOR", "Vendedor Demonstração", "C", "S", "P", "Solicitação", "Cliente"}));
    EXPECT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshProposta);
    // Child pages wait for the header.
    EXPECT_FALSE(screen->pages().tshDados->isEnabled());
    EXPECT_TRUE(widget<TDBEdit>("dbeCdCliPros").isEnabled());
    // A second new proposal never gets the same number.
    runHandler([&] { t.cancel(); });
    startNewProposal();
    EXPECT_NE(t["NRPROPOSFAS"].asString(), number);
}

TEST_F(HeaderPost, ValidityOnTheRegistrationDayPassesOneDayEarlierDoesNot) {
    startNewProposal();
    fillRequest(kAlfa);
    ClientTable& t = screen->proposal();
    t["DTVALPROPFAS"].setAsDateTime(QDateTime(QDate(2026, 12, 5), QTime()));
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors(), QStringList{"Data de cadastro da proposta não pode ser maior que a data de validade."});
    EXPECT_EQ(t.state(), DataSetState::Insert);
    EXPECT_TRUE(focused(widget<TDBDateEditPlus>("depCadastro")));

    dialogs.clearShown();
    t["DTVALPROPFAS"].setAsDateTime(QDateTime(QDate(2026, 12, 6), QTime()));
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(t.state(), DataSetState::Browse);
    EXPECT_EQ(t.changeCount(), 0) << "saved and merged";
    // NRMESREAJPROP: the month of the client's register.
    EXPECT_EQ(storedValues(t["NRPROPOSFAS"].asString(), {"DSREFEPROPOSFAS", "CDFILIAL", "CDOPERINCL", "IDSOLPROPFAS", "NRMESREAJPROP"}),
              QStringList({"Teste de cabeçalho", "0001", "VENDEDOR", "S", "03"}));
    EXPECT_TRUE(screen->pages().tshDados->isEnabled());
}

TEST_F(HeaderPost, ChecksRunInOrderAndFocusTheOffendingControl) {
    startNewProposal();
    ClientTable& t = screen->proposal();
    // Nothing typed: the client is asked for first.
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors().value(0), "Cliente deve ser informado");
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeCdCliPros")));
    // An unknown document.
    dialogs.clearShown();
    t["NRINSJURCLIE"].setAsString("99999999000199");
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors().value(0), "Cliente não cadastrado");
    // Known client, no reference and no contact.
    dialogs.clearShown();
    t["NRINSJURCLIE"].setAsString(kAlfa);
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors().value(0), "Referência deve ser informada.");
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeDsReferencia")));
    // The contact's name stands for a missing reference.
    dialogs.clearShown();
    t["NRCONTATO"].setAsString("1");
    EXPECT_FALSE(post());
    EXPECT_EQ(t["DSREFEPROPOSFAS"].asString(), "Ana Paula - Compras Alfa");
    EXPECT_EQ(t["NRCONTATO"].asString(), "0000000001");
    EXPECT_EQ(dialogs.errors().value(0), "Produto Comercial deve ser informado.");
    // A requesting operator who does not exist.
    dialogs.clearShown();
    t["CDPROCOMERCI"].setAsString("ERP");
    t["CDOPERSOLI"].setAsString("NINGUEM");
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors().value(0), "Operador não cadastrado");
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeCdOperSoli")));
    dialogs.clearShown();
    t["CDOPERSOLI"].setAsString("GERENTE");
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(t["OPERSOLI"].asString(), "Gerente Comercial");
    EXPECT_EQ(t["NMPROCOMERCI"].asString(), "Gestão Empresarial");
}

TEST_F(HeaderPost, AChangedVersionThatExistsIsRefused) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(6), "03"}));
    editOnForm();
    t["NRVERPROPFAS"].setAsString("02");
    EXPECT_FALSE(post());
    EXPECT_EQ(dialogs.errors(), QStringList{"Proposta já cadastrada"});
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeVersao")));
    EXPECT_EQ(t.state(), DataSetState::Edit);
    // A free version is taken.
    dialogs.clearShown();
    t["NRVERPROPFAS"].setAsString("04");
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    EXPECT_FALSE(storedRow(seedNumber(6), "04").isEmpty());
    EXPECT_TRUE(storedRow(seedNumber(6), "03").isEmpty());
}

TEST_F(HeaderPost, ANewProspectProposalGetsTheAutomaticServicesOnce) {
    startNewProposal();
    fillRequest(kDelta, /*prospect=*/true);
    widget<TRadioButton>("rbtLuManut").setChecked(true);
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    const QString nr = screen->proposal().fieldByName("NRPROPOSFAS").asString();
    const int mandatory = scalar("SELECT COUNT(*) FROM TIPOSERV WHERE IDSERVOBRIGPROS = 'S'").toInt();
    ASSERT_GT(mandatory, 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SERVPROP WHERE NRPROPOSFAS = '" + nr + "'").toInt(), mandatory);
    EXPECT_EQ(storedValues(nr, {"IDCLIENPROSP", "CDPROSPECT", "CDCLIENTE", "IDTIPOPROPFAS"}),
              QStringList({"P", kDelta, "", "M"}));
    // Saving it again adds nothing more.
    editOnForm();
    screen->proposal().fieldByName("DSREFEPROPOSFAS").setAsString("Outra referência");
    ASSERT_TRUE(post());
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SERVPROP WHERE NRPROPOSFAS = '" + nr + "'").toInt(), mandatory);

    // A client proposal gets none.
    startNewProposal();
    fillRequest(kAlfa);
    widget<TRadioButton>("rbtLuManut").setChecked(true);
    ASSERT_TRUE(post());
    const QString clientNr = screen->proposal().fieldByName("NRPROPOSFAS").asString();
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM SERVPROP WHERE NRPROPOSFAS = '" + clientNr + "'").toInt(), 0);
}

// The contract buttons decide the contract on every post: none checked is services only,
// whatever the row held before.
TEST_F(HeaderPost, TheContractFollowsTheButtonsAndNoneCheckedIsServicesOnly) {
    struct Case {
        TRadioButton* checked;
        const char* code;
    };
    for (const Case& c : {Case{&widget<TRadioButton>("rbtLocacao"), "L"}, Case{nullptr, "S"}}) {
        SCOPED_TRACE(c.code);
        startNewProposal();
        fillRequest(kAlfa);
        for (const char* name : {"rbtLuManut", "rbtLocacao", "rbtServico"}) {
            TRadioButton& r = widget<TRadioButton>(name);
            r.setAutoExclusive(false);
            r.setChecked(&r == c.checked);
            r.setAutoExclusive(true);
        }
        ClientTable& t = screen->proposal();
        t["IDTIPOPROPFAS"].setAsString("M");
        ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
        EXPECT_EQ(storedRow(t["NRPROPOSFAS"].asString(), "01").value("IDTIPOPROPFAS").toString(), c.code);
    }
}

TEST_F(HeaderPost, CancelDropsPendingChangesAndDeleteReachesTheServer) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    const QString before = t["DSREFEPROPOSFAS"].asString();
    editOnForm();
    EXPECT_FALSE(screen->pages().tshDados->isEnabled());
    t["DSREFEPROPOSFAS"].setAsString("Mudado e desistido");
    runHandler([&] { t.cancel(); });
    EXPECT_EQ(t["DSREFEPROPOSFAS"].asString(), before);
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_TRUE(screen->pages().tshDados->isEnabled());

    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(10), "01"}));
    ASSERT_TRUE(runHandler([&] { t.deleteRecord(); }));
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_TRUE(storedRow(seedNumber(10), "01").isEmpty());
    EXPECT_TRUE(Session::instance().changedTables().contains("PROPOSTAFAS"));
}

TEST_F(HeaderPost, AFailedSaveKeepsTheChangeToSendAgain) {
    startNewProposal();
    fillRequest(kAlfa);
    ClientTable& t = screen->proposal();
    // Number and version of a stored proposal: the server refuses the insert.
    t["NRPROPOSFAS"].setAsString(seedNumber(6));
    EXPECT_FALSE(post());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("Proposta já cadastrada")) << dialogs.errors()[0].toStdString();
    EXPECT_GT(t.changeCount(), 0) << "the change log stays pending";
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(storedRow(seedNumber(6), "01").value("DSREFEPROPOSFAS").toString(),
              "Expansão para filiais - primeira versão");

    // A free version: the pending insert goes out with it.
    dialogs.clearShown();
    editOnForm();
    t["NRVERPROPFAS"].setAsString("09");
    ASSERT_TRUE(post()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(t.changeCount(), 0);
    EXPECT_EQ(storedRow(seedNumber(6), "09").value("DSREFEPROPOSFAS").toString(), "Teste de cabeçalho");
}

TEST_F(HeaderPost, AProductThatLeavesSystemsOutListsThemAndIsUndone) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    screen->pgcPadrao->setActivePage(screen->pages().tshProposta);
    screen->pgcPadraoChange();  // loads the product lines
    ASSERT_FALSE(widget<ClientTable>("cdsLinProd").isEmpty());
    editOnForm();
    QString listed;
    runner.expect([&](QWidget& w) {
        if (auto* label = w.findChild<QLabel*>("lblMensagem")) listed = label->text();
    }, "frmCOT00900");
    ASSERT_TRUE(focus(*screen, "dbeCdProdComer"));
    dialogs.expectPick([](ClientTable& list) { return list.locate("CDPROCOMERCI", "FOLHA"); });
    click(*screen, "btnPesqProdComer");
    EXPECT_EQ(t["NMPROCOMERCI"].asString(), "Folha de Pagamento");
    focus(*screen, "dbeDsReferencia");  // leaving the code checks the lines' systems
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_FALSE(widget<ClientTable>("cdsValidaSistProd").isEmpty());
    EXPECT_TRUE(listed.startsWith("Os seguintes sistemas não estão cadastrados")) << listed.toStdString();
    EXPECT_EQ(t.state(), DataSetState::Browse) << "the change of product is undone";
    EXPECT_EQ(t["CDPROCOMERCI"].asString(), "ERP");
}

TEST_F(HeaderPost, ATypedInterlocutorMustBelongToTheParty) {
    ClientTable& t = screen->proposal();
    ASSERT_TRUE(t.locate("NRPROPOSFAS;NRVERPROPFAS", {seedNumber(2), "01"}));
    editOnForm();
    ASSERT_TRUE(focus(*screen, "dbeCdInterLoc"));
    widget<TDBEdit>("dbeCdInterLoc").selectAll();
    type(*screen, "dbeCdInterLoc", "7");
    EXPECT_TRUE(t["NMINTECLIE"].asString().isEmpty()) << "typing takes the old name away";
    focus(*screen, "dbeDsReferencia");
    EXPECT_EQ(dialogs.errors(), QStringList{"Interlocutor não cadastrado."});
    EXPECT_TRUE(focused(widget<TDBEdit>("dbeCdInterLoc")));
    dialogs.clearShown();
    widget<TDBEdit>("dbeCdInterLoc").selectAll();
    type(*screen, "dbeCdInterLoc", "1");
    focus(*screen, "dbeDsReferencia");
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join("; ").toStdString();
    EXPECT_EQ(QStringList({t["CODIGOINTER"].asString(), t["CDINTECLIE"].asString(), t["NMINTECLIE"].asString()}),
              QStringList({"01", "01", "Fernanda Reis"}));
}

}  // namespace
