// Saves and checks of price simulations: numbers issued once and kept on edit (lines never
// orphaned), orders kept unique and three digits wide, a line at most once per simulation,
// both change logs of one call written together or not at all.
#include <QSet>
#include <tuple>

#include "data_cases.h"

using namespace cot;

namespace {

// The two tables as the screen sends them, totals and joined columns included.
const QList<FieldDef> kSimulationFields{{"NRORDSIMULAPROP", FieldType::String, 3}, {"NMSIMULAPROP", FieldType::String, 100},
                                        {"VRTOTALICENCUSO", FieldType::Float, 0},  {"VRTOTAMENSALIDA", FieldType::Float, 0},
                                        {"NRSIMULAPROP", FieldType::String, 5},    {"NRPROPOSFAS", FieldType::String, 20},
                                        {"NRVERPROPFAS", FieldType::String, 2}};
const QList<FieldDef> kLineFields{{"NRORDLINPSIMULA", FieldType::String, 3}, {"NMLINPPROP", FieldType::String, 50},
                                  {"IDTIPLINPP", FieldType::String, 1},      {"QTUTILSIMULINP", FieldType::Float, 0},
                                  {"VRLICENCUSOPROP", FieldType::Float, 0},  {"VRMENSALIDAPROP", FieldType::Float, 0},
                                  {"CDLINPPROP", FieldType::String, 20},     {"NRUSUALINPP", FieldType::Float, 0},
                                  {"NRSIMULAPROP", FieldType::String, 5},    {"NRORDSIMULAPROP", FieldType::String, 3},
                                  {"NRPROPOSFAS", FieldType::String, 20},    {"NRVERPROPFAS", FieldType::String, 2}};

QVariantList simulation(const QString& order, const QString& name, const QString& number = {}) {
    return {order, name, QVariant(), QVariant(), number, nr(2), "01"};
}
QVariantList line(const QString& simulation, const QString& order, const QString& code, const QVariant& quantity) {
    return {order, "Linha", "M", quantity, 100.0, 10.0, code, QVariant(), simulation, QVariant(), nr(2), "01"};
}

// Demo proposal 2/01: simulation 00001 (order 001, one line), 00002 (order 002, two lines).
class SimulationMethodsTest : public DemoServerTest {
protected:
    RpcResult save(const QList<RowChange>& simulations, const QList<RowChange>& lines = {}) {
        const QVariant s = simulations.isEmpty() ? QVariant() : QVariant::fromValue(Delta{kSimulationFields, simulations});
        const QVariant l = lines.isEmpty() ? QVariant() : QVariant::fromValue(Delta{kLineFields, lines});
        return call("SetSimulacao", {s, l});
    }
    Packet simulations() { return packet("GetSimulacao", {nr(2), "01"}); }
    Packet linesOf(const QString& s) { return packet("GetProdSimulaLinp", {nr(2), "01", s}); }
    QStringList productLines() { return column(packet("GetPesqProdLinp", {nr(2), "01"}), "CDLINPPROP"); }
    int storedLines() {
        return server_.db().scalar("SELECT COUNT(*) FROM SIMULALINP WHERE NRPROPOSFAS = :N", {{"N", nr(2)}}).toInt();
    }
};

// A new simulation takes the next number and a padded order; an edited one keeps its number
// and its lines, and moves only to a free order.
TEST_P(SimulationMethodsTest, NumbersAreIssuedOnceAndKeptOnEditAndOrdersStayUnique) {
    EXPECT_EQ(packet("GetMaxNrSimulaProp", {nr(2), "01"}).value(0, "NRSIMULAPROP").toString(), "00003");
    // The screen fills the number it was offered, on edits too; the server issues its own anyway.
    ASSERT_TRUE(save({{ChangeOp::Insert, {}, simulation("7", "Cenário grande", "00001")}}).ok);
    EXPECT_EQ(column(simulations(), "NRORDSIMULAPROP") + column(simulations(), "NRSIMULAPROP"),
              QStringList({"001", "002", "007", "00001", "00002", "00003"}));
    for (const auto& [order, name, error] :
         {std::tuple<QString, QString, QString>{"007", "Outro", "Ordem já cadastrada."},
          {"", "Outro", "Ordem deve ser informada."}, {"8", " ", "Nome deve ser informado."},
          {"8", QString(101, 'x'), "O campo NMSIMULAPROP aceita no máximo 100 caracteres."}})
        EXPECT_EQ(save({{ChangeOp::Insert, {}, simulation(order, name)}}).error, error);
    EXPECT_EQ(simulations().rows.size(), 3);

    // An edit posts the number it was offered too: the simulation keeps its own, and its lines.
    // Its order may move only to a free one; keeping its own is no conflict.
    const Packet before = simulations();
    QVariantList edited = before.rows[0];
    edited[1] = "Cenário enxuto revisto";
    edited[4] = "00004";
    ASSERT_TRUE(save({{ChangeOp::Update, before.rows[0], edited}}).ok);
    const QVariantList stored = simulations().rows[0];
    QVariantList reordered = stored;
    reordered[0] = "2";
    EXPECT_EQ(save({{ChangeOp::Update, stored, reordered}}).error, "Ordem já cadastrada.");
    reordered[0] = "5";
    reordered[4] = "00004";
    ASSERT_TRUE(save({{ChangeOp::Update, stored, reordered}}).ok);
    const Packet after = simulations();
    EXPECT_EQ(column(after, "NRSIMULAPROP") + column(after, "NRORDSIMULAPROP") << after.value(1, "NMSIMULAPROP").toString(),
              QStringList({"00002", "00001", "00003", "002", "005", "007", "Cenário enxuto revisto"})) << "sorted by order now";
    EXPECT_EQ(linesOf("00001").rows.size(), 1) << "the lines stay with their simulation";
    EXPECT_DOUBLE_EQ(after.value(1, "VRTOTALICENCUSO").toDouble(), before.value(0, "VRTOTALICENCUSO").toDouble());
}

TEST_P(SimulationMethodsTest, ALineIsListedOnceWithAFreeOrderAndAQuantity) {
    const QStringList codes = productLines();
    ASSERT_GE(codes.size(), 2);
    const QString listed = linesOf("00001").value(0, "CDLINPPROP").toString();
    const QString other = codes.first() == listed ? codes[1] : codes.first();
    cot::testing::expectEachRefused(server_.db(), [&](const QVariantList& row) { return save({}, {{ChangeOp::Insert, {}, row}}); }, {
        {line("00001", "9", listed, 1.0), "Linha de produto já cadastrada."},
        {line("00001", "1", other, 1.0), "Ordem já cadastrada."},
        {line("00001", "", other, 1.0), "Ordem deve ser informada."},
        {line("00001", "9", "", 1.0), "Linha de Produto deve ser informada."},
        {line("00001", "9", nr(999), 1.0), "Linha de produto não cadastrada na proposta."},
        {line("00001", "9", other, QVariant()), "Quantidade deve ser informada."},
        {line("00001", "9", other, -1.0), "Quantidade não pode ser negativa."},
        {line("00009", "9", other, 1.0), "Simulação não cadastrada na proposta."},
    });

    ASSERT_TRUE(save({}, {{ChangeOp::Insert, {}, line("00001", "2", other, 3.0)}}).ok);
    const Packet p = linesOf("00001");
    EXPECT_EQ(column(p, "NRORDLINPSIMULA"), QStringList({"001", "002"}));
    EXPECT_EQ((QList<qsizetype>{packet("GetVd_SimulaLinp", {nr(2), "01", "00001", other}).rows.size(),
                                packet("GetVd_ProdSimulaLinp", {nr(2), "01", "00001", other, "2"}).rows.size(),
                                packet("GetVd_ProdSimulaLinp", {nr(2), "01", "00001", other, "3"}).rows.size(),
                                packet("GetVd_Simulacao", {nr(2), "01", "3"}).rows.size()}),
              (QList<qsizetype>{1, 1, 0, 0}));
    EXPECT_EQ(packet("GetVd_Simulacao", {nr(2), "01", "2"}).value(0, "NRSIMULAPROP").toString(), "00002");
}

TEST_P(SimulationMethodsTest, OneCallWritesBothTablesOrNeither) {
    const QString code = productLines().first();
    const int stored = storedLines();
    // A new simulation with a line the call refuses: the simulation does not stay either.
    RpcResult r = save({{ChangeOp::Insert, {}, simulation("3", "Cenário médio")}},
                       {{ChangeOp::Insert, {}, line("00003", "1", code, -2.0)}});
    EXPECT_EQ(r.error, "Quantidade não pode ser negativa.");
    EXPECT_EQ(simulations().rows.size(), 2);

    r = save({{ChangeOp::Insert, {}, simulation("3", "Cenário médio")}},
             {{ChangeOp::Insert, {}, line("00003", "1", code, 2.0)}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(linesOf("00003").rows.size(), 1);

    // Deleting a simulation takes its lines with it.
    const Packet p = simulations();
    ASSERT_TRUE(save({{ChangeOp::Delete, p.rows[2], {}}}).ok);
    EXPECT_EQ(linesOf("00003").rows.size(), 0);
    EXPECT_EQ(storedLines(), stored) << "no line left stored without its simulation";
}

TEST_P(SimulationMethodsTest, SimultaneousNewSimulationsTakeDistinctNumbers) {
    const QStringList answers = cot::testing::callAtOnce(server_, 4, 1, "SetSimulacao", [](int t) {
        return QVariantList{
            QVariant::fromValue(
                Delta{kSimulationFields, {{ChangeOp::Insert, {}, simulation(QString::number(10 + t), "Paralela")}}}),
            QVariant()};
    });
    EXPECT_EQ(cot::testing::refusalsIn(answers), QStringList());
    const QStringList numbers = column(simulations(), "NRSIMULAPROP");
    EXPECT_EQ(numbers.size(), 2 + 4);
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), numbers.size());
}

COT_ON_EVERY_BACKEND(SimulationMethodsTest);

}  // namespace
