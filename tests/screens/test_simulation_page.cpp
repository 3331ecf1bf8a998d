// The simulation page: simulations and their lines are checked before they reach the
// server, an edited simulation keeps its number and its lines, the totals follow the
// quantities, and Verify reads again only what is not being edited.
//
// Demo proposal 2 has "Cenário enxuto" (00001, order 001: ERP Web completo × 5) and
// "Cenário completo" (00002, order 002: ERP Web completo × 10, Escrita Fiscal Web × 2).
// ERP Web completo: licence 1.000,00 (50,00 of discount), monthly 120,00.
#include "screens/areas_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

class SimulationPage : public ProposalFixture {
protected:
    void TearDown() override {
        calls.detach();
        ProposalFixture::TearDown();
    }
    SimulationArea& sims() { return screen->area<SimulationArea>(); }
    SimulationProductsArea& lines() { return screen->area<SimulationProductsArea>(); }
    ClientTable& simTable() { return *sims().cdsSimulacao; }
    ClientTable& lineTable() { return *lines().cdsProdSimulaLinp; }
    TDBGrid& simGrid() { return widget<TDBGrid>("dbgSimulacao"); }
    TDBGrid& lineGrid() { return widget<TDBGrid>("dbgProdSimulaLinp"); }

    void openSimulations(int n = 2) {
        openScreen();
        ASSERT_TRUE(select(n));
        ASSERT_TRUE(menu(screen->menus().mnuSimulacao));
        ASSERT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshSimulaLinp);
        calls.attach(screen->net());
    }
    void onSimulation(const char* number) {
        ASSERT_TRUE(focusWidget(simGrid()));
        ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", QString::fromLatin1(number)); }));
    }
    bool confirm() { return runHandler([&] { screen->sbtConfirmarClick(); }); }
    bool include() { return runHandler([&] { screen->sbtIncluirClick(); }); }
    // Picks a product line by name through the edit button of the lines grid.
    bool pickLine(const QString& name) {
        EXPECT_TRUE(lineGrid().setSelectedField("NMLINPPROP"));
        dialogs.expectPick([name](ClientTable& t) { return t.locate("NMLINPPROP", name); });
        return runHandler([&] { lineGrid().editButtonClick(); });
    }
    QStringList verify() {
        QStringList kept;
        EXPECT_TRUE(runHandler([&] {
            for (const auto& a : screen->areas()) a->verify(kept);
        }));
        return kept;
    }
    // A value the database holds for proposal 2 (:N) and simulation :S.
    QVariant sql(const QString& query, const QString& simulation = {}) {
        return testServer().db().scalar(query, {{"N", number(2)}, {"S", simulation}});
    }
    int storedLines(const QString& simulation) {
        return sql("SELECT COUNT(*) FROM SIMULALINP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = :S", simulation).toInt();
    }
    // A total of the page, by its name.
    double value(const char* total) const { return widget<TNumberEdit>(total).value(); }

    CallRecorder calls;
};

TEST_F(SimulationPage, OrdersAreUniqueInTheVersionAndStoredThreeDigitsWide) {
    openSimulations();
    ASSERT_EQ(simTable().recordCount(), 2);
    ASSERT_TRUE(focusWidget(simGrid()));
    ASSERT_TRUE(include());
    ASSERT_EQ(simTable().state(), DataSetState::Insert);
    EXPECT_EQ(simTable()["NRORDSIMULAPROP"].asString(), "003") << "the next free order comes with the row";
    EXPECT_EQ(simGrid().selectedField()->fieldName(), "NMSIMULAPROP");
    typeInCell(simGrid(), "Alternativa A");
    ASSERT_TRUE(simGrid().setSelectedField("NRORDSIMULAPROP"));
    typeInCell(simGrid(), "x2");
    ASSERT_TRUE(simGrid().inplaceEditor());
    EXPECT_EQ(simGrid().inplaceEditor()->text(), "2") << "an order takes digits only";

    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Ordem já cadastrada."});
    EXPECT_EQ(simTable().state(), DataSetState::Insert) << "the new row waits for a free order";
    EXPECT_EQ(simGrid().selectedField()->fieldName(), "NRORDSIMULAPROP");
    EXPECT_EQ(busyDepth(), 0) << "the animation is hidden before the message";

    simTable()["NRORDSIMULAPROP"].setAsString("7");
    simTable()["NMSIMULAPROP"].clear();
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().last(), "Nome deve ser informado.");
    EXPECT_EQ(simGrid().selectedField()->fieldName(), "NMSIMULAPROP");
    simTable()["NMSIMULAPROP"].setAsString("Alternativa A");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(simTable().recordCount(), 3);
    EXPECT_EQ(simTable()["NRORDSIMULAPROP"].asString(), "007");
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00003") << "the number the server issued";
    EXPECT_EQ(sql("SELECT NRORDSIMULAPROP FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NMSIMULAPROP = :S",
                  "Alternativa A"), "007");
    EXPECT_EQ(simTable().changeCount(), 0);
    EXPECT_EQ(lineTable().recordCount(), 0) << "a new simulation has no lines";

    // A new simulation given up (Escape) brings back the lines of the current one.
    ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", "00002"); }));
    ASSERT_EQ(lineTable().recordCount(), 2);
    ASSERT_TRUE(include());
    EXPECT_EQ(lineTable().recordCount(), 0);
    pressKey(simGrid(), Qt::Key_Escape);
    EXPECT_EQ(simTable().state(), DataSetState::Browse);
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00002");
    EXPECT_EQ(lineTable().recordCount(), 2);
}

TEST_F(SimulationPage, AnEditedSimulationKeepsItsNumberAndItsLinesAndAnUnchangedOrderIsNotAsked) {
    openSimulations();
    onSimulation("00002");
    ASSERT_EQ(lineTable().recordCount(), 2);
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    simTable()["NMSIMULAPROP"].setAsString("Cenário completo revisto");
    // Typed short, the same order.
    simTable()["NRORDSIMULAPROP"].setAsString("2");
    calls.clear();
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.errors().isEmpty()) << dialogs.errors().join(u'|').toStdString();
    EXPECT_FALSE(calls.contains("GetVd_Simulacao")) << calls.methods().join(u' ').toStdString();
    EXPECT_FALSE(calls.contains("GetMaxNrSimulaProp")) << "an edited simulation keeps its number";
    EXPECT_EQ(sql("SELECT NMSIMULAPROP FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = :S", "00002"),
              "Cenário completo revisto");
    EXPECT_EQ(storedLines("00002"), 2);
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00002");
    EXPECT_EQ(simTable()["NRORDSIMULAPROP"].asString(), "002");
    EXPECT_EQ(lineTable().recordCount(), 2) << "its lines are still shown under it";
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 10 * 1000 + 2 * 650.5);
}

class SimulationLines : public SimulationPage {
protected:
    void SetUp() override {
        SimulationPage::SetUp();
        // Escrita Fiscal Web at round values.
        testServer().db().exec(
            "UPDATE LINPPROP SET VRLICENCUSOPROP = 100, VRMENSALIDAPROP = 10 WHERE NRPROPOSFAS = :N AND "
            "CDLINPPROPINFOR = '2002'",
            {{"N", number(2)}});
    }
};

TEST_F(SimulationLines, ALineIsListedOnceAndTheTotalsFollowTheQuantities) {
    openSimulations();
    onSimulation("00001");
    ASSERT_EQ(lineTable().recordCount(), 1);
    // The discounted line is priced at its unit value, in the lines and on the server alike.
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 5000);
    EXPECT_DOUBLE_EQ(value("nedTotaMensLinpSimula"), 600);
    EXPECT_DOUBLE_EQ(simTable()["VRTOTALICENCUSO"].asFloat(), 5000);

    ASSERT_TRUE(focusWidget(lineGrid()));
    ASSERT_TRUE(include());
    ASSERT_EQ(lineTable().state(), DataSetState::Insert);
    EXPECT_EQ(lineTable()["NRORDLINPSIMULA"].asString(), "002");
    ASSERT_TRUE(pickLine("Escrita Fiscal Web"));
    EXPECT_EQ(dialogs.shown().back().text, "Linha de Produto");
    EXPECT_EQ(lineTable()["IDTIPLINPP"].displayText(), "Produto - LU/Manutenção");
    ASSERT_TRUE(lineGrid().setSelectedField("QTUTILSIMULINP"));
    typeInCell(lineGrid(), "-e3");
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(storedLines("00001"), 2);

    ASSERT_TRUE(lineTable().locate("NMLINPPROP", "Escrita Fiscal Web"));
    EXPECT_DOUBLE_EQ(lineTable()["QTUTILSIMULINP"].asFloat(), 3) << "sign and exponent are not typed";
    EXPECT_EQ(lineTable()["VRTOTASIMULALUSO"].displayText(), "300,00");
    EXPECT_EQ(lineTable()["VRTOTASIMULAMENS"].displayText(), "30,00");
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 5300);
    EXPECT_DOUBLE_EQ(value("nedTotaMensLinpSimula"), 630);
    EXPECT_EQ(widget<TNumberEdit>("nedTotaLinpSimula").text(), "5.300,00");
    // The upper totals add every simulation of the version, as the server totals them.
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00001");
    EXPECT_DOUBLE_EQ(simTable()["VRTOTALICENCUSO"].asFloat(), 5300);
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 5300 + 10 * 1000 + 2 * 100);
    EXPECT_DOUBLE_EQ(value("nedTotaMensSimula"), 630 + 10 * 120 + 2 * 10);

    // The same line a second time.
    ASSERT_TRUE(include());
    ASSERT_TRUE(pickLine("Escrita Fiscal Web"));
    lineTable()["QTUTILSIMULINP"].setAsFloat(1);
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Linha de produto já cadastrada."});
    EXPECT_EQ(lineTable().state(), DataSetState::Insert);
    EXPECT_EQ(lineGrid().selectedField()->fieldName(), "NMLINPPROP");
    EXPECT_EQ(storedLines("00001"), 2);

    // Without a line; then with one the simulation already lists.
    ASSERT_TRUE(runHandler([&] { lineTable().cancel(); }));
    ASSERT_TRUE(include());
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().last(), "Linha de Produto deve ser informada.");
    ASSERT_TRUE(pickLine("ERP Web completo"));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().last(), "Linha de produto já cadastrada.");
}

TEST_F(SimulationLines, TheLineOrderIsUniqueInItsSimulationAndAQuantityIsRequired) {
    openSimulations();
    onSimulation("00002");
    ASSERT_TRUE(focusWidget(lineGrid()));
    ASSERT_TRUE(runHandler([&] { lineTable().locate("NRORDLINPSIMULA", "002"); }));
    ASSERT_TRUE(lineGrid().setSelectedField("VRTOTASIMULALUSO"));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    EXPECT_EQ(lineGrid().selectedField()->fieldName(), "NRORDLINPSIMULA") << "editing starts at the order";
    lineTable()["NRORDLINPSIMULA"].setAsString("1");
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors(), QStringList{"Ordem já cadastrada."});
    lineTable()["NRORDLINPSIMULA"].setAsString("9");
    lineTable()["QTUTILSIMULINP"].clear();
    EXPECT_FALSE(confirm());
    EXPECT_EQ(dialogs.errors().last(), "Quantidade deve ser informada.");
    EXPECT_EQ(lineGrid().selectedField()->fieldName(), "QTUTILSIMULINP");
    lineTable()["QTUTILSIMULINP"].setAsFloat(4);
    ASSERT_TRUE(confirm()) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(sql("SELECT QTUTILSIMULINP FROM SIMULALINP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = :S "
                  "AND NRORDLINPSIMULA = '009'", "00002").toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(simTable()["VRTOTALICENCUSO"].asFloat(), 10 * 1000 + 4 * 100) << "the server's total, read again";
}

TEST_F(SimulationPage, DeletingASimulationTakesItsLinesAndShowsNoneOfThem) {
    openSimulations();
    onSimulation("00002");
    ASSERT_EQ(lineTable().recordCount(), 2);
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); })) << dialogs.allTexts().join(u'|').toStdString();
    EXPECT_EQ(storedLines("00002"), 0);
    EXPECT_EQ(simTable().recordCount(), 1);
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00001");
    EXPECT_EQ(lineTable().recordCount(), 1) << "the lines of the simulation now current";
    EXPECT_EQ(lineTable()["NRSIMULAPROP"].asString(), "00001");
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 5000);

    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtExcluirClick(); }));
    EXPECT_EQ(simTable().recordCount(), 0);
    EXPECT_EQ(lineTable().recordCount(), 0);
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 0);
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 0);
    EXPECT_FALSE(screen->mnuIncluir->enabled() && screen->activeTable() == &lineTable())
        << "no lines without a simulation";
}

TEST_F(SimulationPage, ARefusedDeleteShowsNoLinesOfTheSimulationLeft) {
    openSimulations();
    onSimulation("00002");
    ASSERT_EQ(lineTable().recordCount(), 2);
    // Another user deletes it meanwhile.
    testServer().db().exec("DELETE FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = '00002'",
                           {{"N", number(2)}});
    dialogs.expectConfirm(true);
    EXPECT_FALSE(runHandler([&] { screen->sbtExcluirClick(); }));
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(simTable().changeCount(), 1) << "the delete waits for a second try";
    EXPECT_EQ(lineTable().recordCount(), 0) << "no line of the deleted simulation stays on show";
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 0);
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 5000);
    // Giving it up reads what the server holds.
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(simTable().changeCount(), 0);
    EXPECT_EQ(simTable().recordCount(), 1);
    EXPECT_EQ(lineTable().recordCount(), 1);
    EXPECT_EQ(lineTable()["NRSIMULAPROP"].asString(), "00001");
}

TEST_F(SimulationPage, KeysTheGridsDoNotTake) {
    openSimulations();
    onSimulation("00002");
    // Ctrl+Delete deletes nothing (no question either).
    pressKey(simGrid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(simTable().recordCount(), 2);
    ASSERT_TRUE(focusWidget(lineGrid()));
    pressKey(lineGrid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(lineTable().recordCount(), 2);
    EXPECT_TRUE(dialogs.shown().empty());

    // The line's name is picked, never typed.
    ASSERT_TRUE(lineGrid().setSelectedField("NMLINPPROP"));
    typeInCell(lineGrid(), "abc");
    EXPECT_EQ(lineTable().state(), DataSetState::Browse);
    // The quantity takes one decimal comma, never first.
    ASSERT_TRUE(lineGrid().setSelectedField("QTUTILSIMULINP"));
    typeInCell(lineGrid(), ",1,5,+");
    ASSERT_TRUE(lineGrid().inplaceEditor());
    EXPECT_EQ(lineGrid().inplaceEditor()->text(), "1,5");
}

TEST_F(SimulationPage, VerifyReadsAgainOnlyWhatIsNotBeingEdited) {
    // Nothing listed and the focus off both grids: nothing is read.
    openSimulations(4);
    ASSERT_EQ(simTable().recordCount(), 0);
    ASSERT_TRUE(focusWidget(widget<TNumberEdit>("nedTotaLicSimula")));
    calls.clear();
    EXPECT_TRUE(verify().isEmpty());
    EXPECT_TRUE(runHandler([&] { screen->sbtVerificarClick(); }));
    EXPECT_TRUE(calls.isEmpty()) << calls.methods().join(u' ').toStdString();
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(SimulationPage, VerifyKeepsTheCursorAndLeavesATableBeingEditedAsItIs) {
    openSimulations();
    onSimulation("00002");
    testServer().db().exec("UPDATE SIMULAPROP SET NMSIMULAPROP = 'Renomeada' WHERE NRPROPOSFAS = :N AND "
                           "NRSIMULAPROP = '00002'",
                           {{"N", number(2)}});
    calls.clear();
    EXPECT_TRUE(verify().isEmpty());
    EXPECT_TRUE(calls.contains("GetSimulacao") && calls.contains("GetProdSimulaLinp"))
        << calls.methods().join(u' ').toStdString();
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00002");
    EXPECT_EQ(simTable()["NMSIMULAPROP"].asString(), "Renomeada");

    // A simulation being edited is kept, and so are the lines beside it.
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    simTable()["NMSIMULAPROP"].setAsString("Em edição");
    calls.clear();
    EXPECT_EQ(verify(), QStringList{"Simulação"});
    EXPECT_FALSE(calls.contains("GetSimulacao"));
    EXPECT_EQ(simTable().state(), DataSetState::Edit);
    EXPECT_EQ(simTable()["NMSIMULAPROP"].asString(), "Em edição");
    // The command itself says what it kept.
    EXPECT_TRUE(runHandler([&] { screen->sbtVerificarClick(); }));
    ASSERT_FALSE(dialogs.informations().isEmpty());
    EXPECT_TRUE(dialogs.informations().last().endsWith(": Simulação.")) << dialogs.informations().last().toStdString();
    EXPECT_EQ(simTable()["NMSIMULAPROP"].asString(), "Em edição");
    ASSERT_TRUE(runHandler([&] { simTable().cancel(); }));

    // A line being edited likewise.
    ASSERT_TRUE(focusWidget(lineGrid()));
    ASSERT_TRUE(runHandler([&] { screen->sbtAlterarClick(); }));
    lineTable()["QTUTILSIMULINP"].setAsFloat(99);
    calls.clear();
    EXPECT_EQ(verify(), QStringList{"Produtos da Simulação"});
    EXPECT_FALSE(calls.contains("GetProdSimulaLinp"));
    EXPECT_DOUBLE_EQ(lineTable()["QTUTILSIMULINP"].asFloat(), 99);
}

}  // namespace
