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

class SimulationPage : public PageFixture {
protected:
    ClientTable& simTable() { return *screen->area<SimulationArea>().cdsSimulacao; }
    ClientTable& lineTable() { return *screen->area<SimulationProductsArea>().cdsProdSimulaLinp; }
    TDBGrid& simGrid() { return widget<TDBGrid>("dbgSimulacao"); }
    TDBGrid& lineGrid() { return widget<TDBGrid>("dbgProdSimulaLinp"); }

    // The simulations of proposal n, on simulation `number` when given.
    void openSimulations(int n = 2, const char* number = nullptr) {
        openPage(n, &ProposalMenus::mnuSimulacao);
        ASSERT_EQ(screen->pgcPadrao->activePage(), screen->pages().tshSimulaLinp);
        if (!number) return;
        ASSERT_TRUE(focusWidget(simGrid()));
        ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", QString::fromLatin1(number)); }));
    }
    // Picks a product line by name through the edit button of the lines grid.
    bool pickLine(const QString& name) {
        EXPECT_TRUE(lineGrid().setSelectedField("NMLINPPROP"));
        dialogs.expectPick([name](ClientTable& t) { return t.locate("NMLINPPROP", name); });
        return runHandler([&] { lineGrid().editButtonClick(); });
    }
    QStringList verify() {
        QStringList kept;
        EXPECT_TRUE(runHandler([&] { for (const auto& a : screen->areas()) a->verify(kept); }));
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
    // A refused Confirmar: its message, on its column, the row still being typed.
    void refused(const QString& message, TDBGrid& grid, const char* column) {
        dialogs.clearShown();
        EXPECT_FALSE(confirm());
        EXPECT_EQ(dialogs.errors(), QStringList{message});
        EXPECT_EQ(grid.selectedField()->fieldName(), column) << message.toStdString();
        EXPECT_TRUE(grid.dataSource()->dataSet()->isEditing()) << message.toStdString();
        EXPECT_EQ(busyDepth(), 0) << "the animation is hidden before the message";
    }
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
    EXPECT_EQ(simGrid().inplaceEditor() ? simGrid().inplaceEditor()->text() : QString(), "2") << "an order takes digits only";
    refused("Ordem já cadastrada.", simGrid(), "NRORDSIMULAPROP");
    simTable()["NRORDSIMULAPROP"].setAsString("7");
    simTable()["NMSIMULAPROP"].clear();
    refused("Nome deve ser informado.", simGrid(), "NMSIMULAPROP");
    simTable()["NMSIMULAPROP"].setAsString("Alternativa A");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(QString::number(simTable().recordCount()) + ' ' + simTable()["NRORDSIMULAPROP"].asString() + '/' +
                  simTable()["NRSIMULAPROP"].asString(), "3 007/00003") << "the number the server issued";
    EXPECT_EQ(sql("SELECT NRORDSIMULAPROP FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NMSIMULAPROP = :S",
                  "Alternativa A"), "007");
    EXPECT_EQ(simTable().changeCount() + lineTable().recordCount(), 0) << "a new simulation has no lines";

    // A new simulation given up (Escape) brings back the lines of the current one.
    ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", "00002"); }));
    ASSERT_EQ(lineTable().recordCount(), 2);
    ASSERT_TRUE(include());
    EXPECT_EQ(lineTable().recordCount(), 0);
    pressKey(simGrid(), Qt::Key_Escape);
    EXPECT_EQ(simTable().state(), DataSetState::Browse);
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString() + ' ' + QString::number(lineTable().recordCount()), "00002 2");
}

// An edited simulation keeps its number and its lines and an unchanged order is not asked;
// the grids take neither Ctrl+Delete nor a typed line name, and a quantity one comma.
TEST_F(SimulationPage, AnEditedSimulationKeepsItsNumberAndLinesTheGridsTakeOnlyTheirKeysAndADeleteTakesTheLines) {
    openSimulations(2, "00002");
    pressKey(simGrid(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_TRUE(focusWidget(lineGrid()));
    pressKey(lineGrid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(QList<int>({simTable().recordCount(), lineTable().recordCount()}), QList<int>({2, 2}));
    EXPECT_TRUE(dialogs.shown().empty());
    ASSERT_TRUE(lineGrid().setSelectedField("NMLINPPROP"));
    typeInCell(lineGrid(), "abc");
    EXPECT_EQ(lineTable().state(), DataSetState::Browse);
    ASSERT_TRUE(lineGrid().setSelectedField("QTUTILSIMULINP"));
    typeInCell(lineGrid(), ",1,5,+");
    EXPECT_EQ(lineGrid().inplaceEditor() ? lineGrid().inplaceEditor()->text() : QString(), "1,5");
    pressKey(lineGrid(), Qt::Key_Escape);
    pressKey(lineGrid(), Qt::Key_Escape);

    ASSERT_TRUE(focusWidget(simGrid()));
    ASSERT_TRUE(change());
    simTable()["NMSIMULAPROP"].setAsString("Cenário completo revisto");
    simTable()["NRORDSIMULAPROP"].setAsString("2");  // typed short, the same order
    calls.clear();
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_FALSE(calls.contains("GetVd_Simulacao") || calls.contains("GetMaxNrSimulaProp"))
        << "an edited simulation keeps its number: " << calls.methods().join(u' ').toStdString();
    EXPECT_EQ(sql("SELECT NMSIMULAPROP FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = :S", "00002"),
              "Cenário completo revisto");
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString() + '/' + simTable()["NRORDSIMULAPROP"].asString(), "00002/002");
    EXPECT_EQ(QList<int>({storedLines("00002"), lineTable().recordCount()}), QList<int>({2, 2})) << "its lines kept";
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 10 * 1000 + 2 * 650.5);

    // A delete takes the simulation's lines and shows those of the one now current; refused
    // (another user deleted it), no line of it stays on show and Cancelar reads the server again.
    ASSERT_TRUE(remove()) << shown();
    EXPECT_EQ(QList<int>({storedLines("00002"), simTable().recordCount(), lineTable().recordCount()}), QList<int>({0, 1, 1}));
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString() + '/' + lineTable()["NRSIMULAPROP"].asString(), "00001/00001")
        << "the lines of the simulation now current";
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 5000);

    testServer().db().exec("DELETE FROM SIMULAPROP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = '00001'", {{"N", number(2)}});
    EXPECT_FALSE(remove());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(QList<int>({simTable().changeCount(), lineTable().recordCount()}), QList<int>({1, 0}))
        << "the delete waits for a second try; no line of the deleted simulation stays on show";
    EXPECT_DOUBLE_EQ(value("nedTotaLinpSimula"), 0);
    dialogs.expectConfirm(true);
    ASSERT_TRUE(runHandler([&] { screen->sbtCancelarClick(); }));
    EXPECT_EQ(simTable().changeCount() + simTable().recordCount() + lineTable().recordCount(), 0);
    EXPECT_DOUBLE_EQ(value("nedTotaLicSimula"), 0);
    EXPECT_FALSE(screen->mnuIncluir->enabled() && screen->activeTable() == &lineTable())
        << "no lines without a simulation";
}

TEST_F(SimulationPage, ALineIsListedOnceItsOrderIsUniqueItsQuantityRequiredAndTheTotalsFollowTheQuantities) {
    // Escrita Fiscal Web at round values.
    testServer().db().exec("UPDATE LINPPROP SET VRLICENCUSOPROP = 100, VRMENSALIDAPROP = 10 WHERE NRPROPOSFAS = :N "
                           "AND CDLINPPROPINFOR = '2002'", {{"N", number(2)}});
    openSimulations(2, "00001");
    ASSERT_EQ(lineTable().recordCount(), 1);
    // The discounted line is priced at its unit value, in the lines and on the server alike.
    EXPECT_EQ(QList<double>({value("nedTotaLinpSimula"), value("nedTotaMensLinpSimula"),
                             simTable()["VRTOTALICENCUSO"].asFloat()}), QList<double>({5000, 600, 5000}));
    ASSERT_TRUE(focusWidget(lineGrid()));
    ASSERT_TRUE(include());
    ASSERT_EQ(lineTable().state(), DataSetState::Insert);
    EXPECT_EQ(lineTable()["NRORDLINPSIMULA"].asString(), "002");
    ASSERT_TRUE(pickLine("Escrita Fiscal Web"));
    EXPECT_EQ(dialogs.shown().back().text, "Linha de Produto");
    EXPECT_EQ(lineTable()["IDTIPLINPP"].displayText(), "Produto - LU/Manutenção");
    ASSERT_TRUE(lineGrid().setSelectedField("QTUTILSIMULINP"));
    typeInCell(lineGrid(), "-e3");
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(storedLines("00001"), 2);

    ASSERT_TRUE(lineTable().locate("NMLINPPROP", "Escrita Fiscal Web"));
    EXPECT_DOUBLE_EQ(lineTable()["QTUTILSIMULINP"].asFloat(), 3) << "sign and exponent are not typed";
    EXPECT_EQ(lineTable()["VRTOTASIMULALUSO"].displayText() + ' ' + lineTable()["VRTOTASIMULAMENS"].displayText(),
              "300,00 30,00");
    EXPECT_EQ(widget<TNumberEdit>("nedTotaLinpSimula").text(), "5.300,00");
    EXPECT_DOUBLE_EQ(value("nedTotaMensLinpSimula"), 630);
    // The upper totals add every simulation of the version, as the server totals them.
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString(), "00001");
    EXPECT_EQ(QList<double>({simTable()["VRTOTALICENCUSO"].asFloat(), value("nedTotaLicSimula"), value("nedTotaMensSimula")}),
              QList<double>({5300, 5300 + 10 * 1000 + 2 * 100, 630 + 10 * 120 + 2 * 10}));

    // The same line a second time; without a line; with one the simulation already lists.
    ASSERT_TRUE(include());
    ASSERT_TRUE(pickLine("Escrita Fiscal Web"));
    lineTable()["QTUTILSIMULINP"].setAsFloat(1);
    refused("Linha de produto já cadastrada.", lineGrid(), "NMLINPPROP");
    EXPECT_EQ(storedLines("00001"), 2);
    ASSERT_TRUE(runHandler([&] { lineTable().cancel(); }));
    ASSERT_TRUE(include());
    refused("Linha de Produto deve ser informada.", lineGrid(), "NMLINPPROP");
    ASSERT_TRUE(pickLine("ERP Web completo"));
    refused("Linha de produto já cadastrada.", lineGrid(), "NMLINPPROP");

    // The line order is unique in its simulation and a quantity is required.
    ASSERT_TRUE(runHandler([&] { lineTable().cancel(); }));
    ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", "00002"); }));
    ASSERT_TRUE(lineGrid().hasFocus() || focusWidget(lineGrid())) << shown();
    ASSERT_TRUE(runHandler([&] { lineTable().locate("NRORDLINPSIMULA", "002"); }));
    ASSERT_TRUE(lineGrid().setSelectedField("VRTOTASIMULALUSO"));
    ASSERT_TRUE(change());
    EXPECT_EQ(lineGrid().selectedField()->fieldName(), "NRORDLINPSIMULA") << "editing starts at the order";
    lineTable()["NRORDLINPSIMULA"].setAsString("1");
    refused("Ordem já cadastrada.", lineGrid(), "NRORDLINPSIMULA");
    lineTable()["NRORDLINPSIMULA"].setAsString("9");
    lineTable()["QTUTILSIMULINP"].clear();
    refused("Quantidade deve ser informada.", lineGrid(), "QTUTILSIMULINP");
    lineTable()["QTUTILSIMULINP"].setAsFloat(4);
    ASSERT_TRUE(confirm()) << shown();
    EXPECT_EQ(sql("SELECT QTUTILSIMULINP FROM SIMULALINP WHERE NRPROPOSFAS = :N AND NRSIMULAPROP = :S "
                  "AND NRORDLINPSIMULA = '009'", "00002").toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(simTable()["VRTOTALICENCUSO"].asFloat(), 10 * 1000 + 4 * 100) << "the server's total, read again";
}

TEST_F(SimulationPage, VerifyKeepsTheCursorAndLeavesATableBeingEditedAsItIs) {
    // Nothing listed and the focus off both grids: nothing is read.
    openSimulations(4);
    ASSERT_EQ(simTable().recordCount(), 0);
    ASSERT_TRUE(focusWidget(widget<TNumberEdit>("nedTotaLicSimula")));
    calls.clear();
    EXPECT_TRUE(runHandler([&] { screen->sbtVerificarClick(); }));
    EXPECT_TRUE(calls.isEmpty() && dialogs.shown().empty()) << calls.methods().join(u' ').toStdString();

    ASSERT_TRUE(select(2));
    ASSERT_TRUE(focusWidget(simGrid()));
    ASSERT_TRUE(runHandler([&] { simTable().locate("NRSIMULAPROP", "00002"); }));
    testServer().db().exec("UPDATE SIMULAPROP SET NMSIMULAPROP = 'Renomeada' WHERE NRPROPOSFAS = :N AND "
                           "NRSIMULAPROP = '00002'", {{"N", number(2)}});
    calls.clear();
    EXPECT_TRUE(verify().isEmpty());
    EXPECT_TRUE(calls.contains("GetSimulacao") && calls.contains("GetProdSimulaLinp"))
        << calls.methods().join(u' ').toStdString();
    EXPECT_EQ(simTable()["NRSIMULAPROP"].asString() + ' ' + simTable()["NMSIMULAPROP"].asString(), "00002 Renomeada");

    // A simulation being edited is kept, and so are the lines beside it.
    ASSERT_TRUE(change());
    simTable()["NMSIMULAPROP"].setAsString("Em edição");
    calls.clear();
    EXPECT_EQ(verify(), QStringList{"Simulação"});
    EXPECT_TRUE(!calls.contains("GetSimulacao") && simTable().state() == DataSetState::Edit);
    EXPECT_EQ(simTable()["NMSIMULAPROP"].asString(), "Em edição");
    ASSERT_TRUE(runHandler([&] { simTable().cancel(); }));

    // A line being edited likewise.
    ASSERT_TRUE(focusWidget(lineGrid()));
    ASSERT_TRUE(change());
    lineTable()["QTUTILSIMULINP"].setAsFloat(99);
    calls.clear();
    EXPECT_EQ(verify(), QStringList{"Produtos da Simulação"});
    EXPECT_TRUE(!calls.contains("GetProdSimulaLinp") && lineTable()["QTUTILSIMULINP"].asFloat() == 99);
}

}  // namespace
