// Product lines on the server: keys, saves applied whole or not at all with the line's
// rules, and the checks against the lines a client already has; and the lookups and checks
// of the proposal header over the demo data: contacts, interlocutors, commercial products,
// the readjustment clean-up and the automatic mandatory services.
#include "data_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

const char* const kAlfa = "11222333000181";
const char* const kBeta = "22333444000172";

const QList<FieldDef> kLineFields{
    {"NRPROPOSFAS", FieldType::String, 20},   {"NRVERPROPFAS", FieldType::String, 2},
    {"CDLINPPROP", FieldType::String, 20},    {"CDLINPPROPINFOR", FieldType::String, 10},
    {"NMLINPPROP", FieldType::String, 50},    {"NRUSUALINPP", FieldType::Float, 0},
    {"IDTIPLINPP", FieldType::String, 1},     {"QTMINIMAFATPROP", FieldType::Float, 0},
    {"VRLICENCUSOPROP", FieldType::Float, 0}, {"VRMENSALIDAPROP", FieldType::Float, 0},
    {"VRDESLICUSOPROP", FieldType::Float, 0}, {"VRDESMENSALPROP", FieldType::Float, 0},
    {"IDMPROCLINPP", FieldType::String, 1},   {"IDLPROCLINPP", FieldType::String, 1},
    {"DTCALUSLINPP", FieldType::DateTime, 0}, {"IDAMBLINPP", FieldType::String, 3},
    {"IDTIPOPROPFAS", FieldType::String, 1}};

// A line of proposal 12 (created 2026-12-02, LU/Manutenção) as the screen posts it.
QVariantList newLine(int key, const QString& code, const QString& type = "M", double licence = 1000,
                     double discount = 100) {
    return {nr(12), "01", nr(key), code, "Linha nova", 5.0, type, 2.0, licence, 100.0, discount, 0.0, "M", "M",
            QDateTime(QDate(2027, 2, 28), QTime(0, 0)), "WEB", "M"};
}

class ProductLineMethodsTest : public cot::testing::DemoServerTest {
protected:
    RpcResult save(const QList<RowChange>& changes) { return call("SetLinProd", {QVariant::fromValue(Delta{kLineFields, changes})}); }
    QString failure(const QString& method, const QVariantList& args) { return call(method, args).error; }
};
class HeaderLookupTest : public ProductLineMethodsTest {};

TEST_P(ProductLineMethodsTest, KeysInsertsUpdatesAndDeletesWithTheirSystemsAndInstallments) {
    // Keys follow the demo lines and never repeat.
    EXPECT_EQ(QStringList({call("PrxLinhaProd").value.toString(), call("PrxLinhaProd").value.toString()}), QStringList({nr(15), nr(16)}));
    ASSERT_TRUE(succeeded(save({{ChangeOp::Insert, {}, newLine(30, "1202")}})));
    const Packet lines = packet("GetLinProd", {nr(12), "01"});
    EXPECT_EQ(lines.rows.size(), 2);
    EXPECT_EQ(cells(lines, 1, {"CDLINPPROPINFOR", "VRDESLICUSOPROP", "MENSCALUSLINPP"}), QStringList({"1202", "100", "02/2027"}));

    QVariantList changed = newLine(30, "1202");
    changed[4] = "Linha renomeada";
    ASSERT_TRUE(succeeded(save({{ChangeOp::Update, newLine(30, "1202"), changed}})));
    EXPECT_EQ(packet("GetLinProd", {nr(12), "01"}).value(1, "NMLINPPROP").toString(), "Linha renomeada");

    // Another user changed it meanwhile: the stale update is refused.
    EXPECT_EQ(save({{ChangeOp::Update, newLine(30, "1202"), changed}}).error, "Registro alterado ou excluído por outro usuário.");

    // Deleting the demo line takes its systems and installments with it.
    const Packet demo = packet("GetLinProd", {nr(12), "01"});
    QVariantList stored = demo.rows.first();
    stored.resize(kLineFields.size());
    stored[16] = "M";
    ASSERT_TRUE(succeeded(save({{ChangeOp::Delete, stored, {}}})));
    EXPECT_EQ(count("SELECT COUNT(*) FROM LINPPROP WHERE NRPROPOSFAS = :N", {{"N", nr(12)}}), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM SISTLINPPROP WHERE CDLINPPROP = :L", {{"L", nr(13)}}) +
                  count("SELECT COUNT(*) FROM VENCLINPPROP WHERE CDLINPPROP = :L", {{"L", nr(13)}}), 0);
}

TEST_P(ProductLineMethodsTest, ARefusedLineWritesNothingOfTheDelta) {
    const auto with = [](int field, const QVariant& value) {
        QVariantList line = newLine(31, "1203");
        line[field] = value;
        return line;
    };
    // A good line first: it must not stay behind when the second is refused.
    const auto afterGood = [&](const QVariantList& line) {
        return save({{ChangeOp::Insert, {}, newLine(30, "1202")}, {ChangeOp::Insert, {}, line}});
    };
    cot::testing::expectEachRefused(server_.db(), afterGood, {
        {newLine(31, "1201"), "Código de Linha de Produto já cadastrado na proposta"},
        {newLine(31, "1203", "M", 100, 100.01), "Desconto não pode ser maior que Vr. Unitário"},
        {with(4, ""), "Nome da linha de produto deve ser informada"},
        {with(14, QDateTime(QDate(2026, 11, 30), QTime(0, 0))), "Mês de carência deve ser maior que o mês de cadastro da proposta."},
        {with(7, -1.0), "Quantidade mínima de licenças deve ser maior ou igual a zero."},
        {with(6, "X"), "Tipo de linha de produto inválido: use M, L, P ou A."},
        {with(0, nr(99)), "Proposta não cadastrada."},
    });
    // A discount equal to the unit value, and a grace month equal to the proposal's, pass.
    QVariantList edge = newLine(31, "1203", "M", 100, 100);
    edge[14] = QDateTime(QDate(2026, 12, 31), QTime(0, 0));
    EXPECT_TRUE(succeeded(save({{ChangeOp::Insert, {}, edge}})));
}

TEST_P(ProductLineMethodsTest, TypedCodesAndAccessPointsAlreadyContractedByTheClient) {
    EXPECT_EQ(cot::testing::column(packet("ValidaLinhaProd", {"1001", kAlfa}), "NMLINPCLIE"), QStringList{"ERP Web - Matriz"});
    EXPECT_TRUE(packet("ValidaLinhaProd", {"1001", kBeta}).rows.isEmpty());
    EXPECT_TRUE(packet("ValidaLinhaProd", {"1001", ""}).rows.isEmpty()) << "a prospect has no contract";

    // Line 9 (code 6001) of Alfa's proposal 6: not in the contract until its code is 1001.
    EXPECT_TRUE(packet("ValidaContrato", {nr(9), kAlfa}).rows.isEmpty());
    server_.db().exec("UPDATE LINPPROP SET CDLINPPROPINFOR = '1001' WHERE CDLINPPROP = :L", {{"L", nr(9)}});
    EXPECT_EQ(packet("ValidaContrato", {nr(9), kAlfa}).value(0, "CDLINPCLIE").toString(), nr(1));
    // The line a contract came from is not a duplicate of its own contract.
    EXPECT_TRUE(packet("ValidaContrato", {nr(1), kAlfa}).rows.isEmpty());

    // Access points: the contracted Folha Web, and those offered in an open proposal.
    auto quantity = [&](const QString& client, const QString& type) {
        const Packet p = packet("GetVdQtPtoAcesso", {client, type});
        return p.rows.size() == 1 ? p.value(0, "QTPTOACESSO").toDouble() : -1.0;
    };
    EXPECT_EQ(QList<double>({quantity(kAlfa, "P"), quantity(kAlfa, "A"), quantity("", "P")}), QList<double>({1.0, 0.0, 0.0}));
    auto addLine = [&](const QString& version, int key) {
        server_.db().exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, IDTIPLINPP) VALUES (:N, :V, :L, 'P')",
                          {{"N", nr(6)}, {"V", version}, {"L", nr(key)}});
    };
    addLine("03", 41);
    EXPECT_EQ(quantity(kAlfa, "P"), 2.0) << "offered in the open proposal";
    addLine("01", 42);
    EXPECT_EQ(quantity(kAlfa, "P"), 2.0) << "an older version does not count";
    server_.db().exec("UPDATE PROPOSTAFAS SET DTVALPROPFAS = :D WHERE NRPROPOSFAS = :N",
                      {{"D", QDateTime(QDate(2026, 12, 5), QTime(0, 0))}, {"N", nr(6)}});
    EXPECT_EQ(quantity(kAlfa, "P"), 1.0) << "nor does an expired proposal";
}

TEST_P(ProductLineMethodsTest, SameConfigurationCountsContractedAndSiblingLines) {
    const QString erp = "WEB00003 WEB00001 WEB00002";  // any order
    auto check = [&](const QString& client, int number, const QString& version, int line, double users) {
        return packet("GetVdLinProd", {client, nr(number), version, nr(line), "M", users, "WEB", "M", "M", erp});
    };
    // Line 9 of Alfa's proposal 6 repeats Alfa's contracted ERP line: itself plus the contract.
    const Packet p = check(kAlfa, 6, "03", 9, 10);
    EXPECT_EQ(cells(p, 0, {"QTLINHAPROD", "CDSISTEMAS"}) << QString::number(p.rows.size()),
              QStringList({"2", "WEB00001 WEB00002 WEB00003", "1"}));
    EXPECT_FALSE(p.value(0, "NMFANTCLIE").toString().isEmpty());
    EXPECT_TRUE(check(kAlfa, 6, "03", 9, 11).rows.isEmpty()) << "another number of users";
    // A line being inserted (no key yet) meets the contract and line 9.
    EXPECT_EQ(packet("GetVdLinProd", {kAlfa, nr(6), "03", "", "M", 10.0, "WEB", "M", "M", erp}).value(0, "QTLINHAPROD"), 2.0);
    EXPECT_TRUE(packet("GetVdLinProd", {kAlfa, nr(6), "03", nr(9), "M", 10.0, "WEB", "M", "M", "WEB00001"}).rows.isEmpty());

    // Beta's line 3 is alone until a second line of the proposal has its configuration.
    EXPECT_TRUE(check(kBeta, 2, "01", 3, 20).rows.isEmpty());
    server_.db().exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDLINPPROPINFOR, NRUSUALINPP, IDTIPLINPP, "
                      "IDAMBLINPP, IDLPROCLINPP, IDMPROCLINPP) VALUES (:N, '01', :L, '2003', 20, 'M', 'WEB', 'M', 'M')",
                      {{"N", nr(2)}, {"L", nr(40)}});
    for (const char* s : {"WEB00002", "WEB00001", "WEB00003"})
        server_.db().exec("INSERT INTO SISTLINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, CDSISTEMA) VALUES (:N, '01', :L, :S)",
                          {{"N", nr(2)}, {"L", nr(40)}, {"S", s}});
    EXPECT_EQ(cot::testing::column(check(kBeta, 2, "01", 3, 20), "QTLINHAPROD"), QStringList{"2"});
    // A line being inserted (no key yet) meets both.
    EXPECT_EQ(packet("GetVdLinProd", {kBeta, nr(2), "01", "", "M", 20.0, "WEB", "M", "M", erp}).value(0, "QTLINHAPROD"), 2.0);
}

COT_ON_EVERY_BACKEND(ProductLineMethodsTest);

TEST_P(HeaderLookupTest, ContactsOfTheBranchAndParty) {
    const Packet all = packet("GetPesqContato", {"0001", "C", "11222333000181", "", "T"});
    EXPECT_EQ(cells(all, 0, {"NRCONTATO", "REFERENCIA", "CDCLIENTE", "IDTPCONTATO"}) << QString::number(all.fields.size())
                  << QString::number(all.rows.size()),
              QStringList({"0000000001", "Ana Paula - Compras Alfa", "11222333000181", "C", "5", "1"}));
    // Typed short; another client's contact; no client yet: the branch's client contacts, by
    // name; a prospect's (CDPROSPECT); another branch's.
    for (const auto& [args, found] : std::vector<std::pair<QVariantList, QStringList>>{
             {{"0001", "C", "11222333000181", "", "1"}, {"0000000001"}},
             {{"0001", "C", "11222333000181", "", "0000000002"}, {}},
             {{"0001", "C", "", "", "T"}, {"0000000001", "0000000002", "0000000003"}},
             {{"0001", "P", "", "77888999000127", "4"}, {"77888999000127"}},
             {{"0002", "P", "", "77888999000127", "T"}, {}}})
        EXPECT_EQ(column(packet("GetPesqContato", args), args[1] == "P" ? "CDPROSPECT" : "NRCONTATO"), found)
            << args[4].toString().toStdString();
    EXPECT_EQ(failure("GetPesqContato", {"0001", "X", "", "", "T"}), "Tipo de contratante inválido: use 'C' (cliente) ou 'P' (prospect).");
}

TEST_P(HeaderLookupTest, InterlocutorsOfClientsAndProspects) {
    const Packet client = packet("GetInterLoc", {"11222333000181", "C"});
    EXPECT_EQ(column(client, "CDINTECLIE"), QStringList({"01", "02"}));
    EXPECT_EQ(client.value(1, "NMINTECLIE").toString(), "Débora Martins");
    const Packet prospect = packet("GetInterLoc", {"77888999000127", "P"});
    EXPECT_EQ(names(prospect) + column(prospect, "NMINTECLIE"), QStringList({"CDINTECLIE", "NMINTECLIE", "Roberto Dias"}))
        << "one shape for both kinds";
    EXPECT_TRUE(packet("GetInterLoc", {"11222333000181", "P"}).rows.isEmpty());

    EXPECT_EQ(column(packet("GetPesqInterLoc", {"11222333000181", "C", "2"}), "NMINTECLIE"), QStringList({"Débora Martins"}));
    EXPECT_TRUE(packet("GetPesqInterLoc", {"11222333000181", "C", "03"}).rows.isEmpty());
    EXPECT_EQ(packet("GetPesqInterLoc", {"88999000000118", "P", "01"}).rows.size(), 1);
    EXPECT_FALSE(call("GetInterLoc", {"11222333000181", ""}).ok);
}

TEST_P(HeaderLookupTest, CommercialProductsAndTheSystemsTheyDoNotCover) {
    EXPECT_EQ(column(packet("GetPesqProdComer", {}), "CDPROCOMERCI"), QStringList({"ERP", "FISCAL", "FOLHA"}));
    EXPECT_EQ(column(packet("GetVd_ProdComer", {"ERP"}), "NMPROCOMERCI"), QStringList{"Gestão Empresarial"});
    EXPECT_TRUE(packet("GetVd_ProdComer", {"XYZ"}).rows.isEmpty());
    server_.db().exec("UPDATE PRODCOMERCI SET IDSITUPROCOM = 'I' WHERE CDPROCOMERCI = 'FOLHA'");
    EXPECT_TRUE(packet("GetVd_ProdComer", {"FOLHA"}).rows.isEmpty()) << "an inactive product is not offered";
    EXPECT_EQ(packet("GetPesqProdComer", {}).rows.size(), 2);

    // Proposal 2: two licence lines with ERP systems (EST, FAT, FIN) and the fiscal one (FIS).
    const Packet folha = packet("GetValidaSistProd", {nr(2), "01", "FOLHA", "PROD"});
    EXPECT_EQ(column(folha, "SGSISTEMA") << QString::number(folha.fields.size()), QStringList({"EST", "FAT", "FIN", "FIS", "3"}));
    EXPECT_EQ(column(packet("GetValidaSistProd", {nr(2), "01", "ERP", "PROD"}), "NMSISTEMA"), QStringList({"Escrita Fiscal"}));
    EXPECT_TRUE(packet("GetValidaSistProd", {nr(2), "01", "ERP", "PTOA"}).rows.isEmpty()) << "no access-point lines";
    // Proposal 1 has an access-point line of the payroll system.
    EXPECT_EQ(column(packet("GetValidaSistProd", {nr(1), "01", "ERP", "PTOA"}), "SGSISTEMA"), QStringList({"FOL"}));
    EXPECT_TRUE(packet("GetValidaSistProd", {nr(2), "01", "", "PROD"}).rows.isEmpty()) << "no product, nothing to report";
    EXPECT_EQ(failure("GetValidaSistProd", {nr(2), "01", "ERP", "XX"}), "Tipo de linha de produto inválido: use \"PROD\" ou \"PTOA\".");
}

TEST_P(HeaderLookupTest, ReadjustmentByOneIndexKeepsTheHeaderSaveWorking) {
    // Proposal 3 is readjusted 60/40 by two indexes; the user makes index 1 take 100%.
    auto stored = [&](const char* column) {
        return server_.db().scalar(QStringLiteral("SELECT %1 FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N").arg(column), {{"N", nr(3)}});
    };
    EXPECT_EQ(failure("SetUpdReaju", {"0001", nr(3), "01", "60"}),
              "O índice 2 só pode ser retirado quando o percentual do índice 1 é 100%.");
    ASSERT_EQ(stored("IDPERVALOR2").toString(), "P");

    const RpcResult cleared = call("SetUpdReaju", {"0001", nr(3), "01", "100"});
    ASSERT_TRUE(cleared.ok) << cleared.error.toStdString();
    EXPECT_EQ(cleared.value.toLongLong(), 1);
    EXPECT_TRUE(stored("IDPERVALOR2").isNull());
    EXPECT_EQ(call("SetUpdReaju", {"0001", nr(99), "01", 100}).value.toLongLong(), 0)
        << "a proposal not saved yet has nothing to clear";

    // The header's own change log, made before the call, still saves.
    const Packet list = packet("GetProposta", {"0001", "T"});
    int row = -1;
    for (int i = 0; i < list.rows.size(); ++i)
        if (list.value(i, "NRPROPOSFAS").toString() == nr(3)) row = i;
    ASSERT_GE(row, 0);
    QVariantList before = list.rows[row], after = before;
    for (const char* cleared : {"CDINDICE2", "CDTPINDICE2", "NMINDICEREAJ2"}) after[list.indexOf(cleared)] = QVariant();
    after[list.indexOf("VRPEINCIND2")] = 0.0;
    after[list.indexOf("VRPEINCIND1")] = 100.0;
    before[list.indexOf("IDPERVALOR2")] = after[list.indexOf("IDPERVALOR2")] = "P";  // as the screen still holds it
    const Delta delta{list.fields, {{ChangeOp::Update, before, after}}};
    const RpcResult saved = call("SetProposta", {QVariant::fromValue(delta)});
    EXPECT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_TRUE(stored("CDINDICE2").isNull());
    EXPECT_DOUBLE_EQ(stored("VRPEINCIND1").toDouble(), 100.0);
}

TEST_P(HeaderLookupTest, ConcurrentCallsAddTheMandatoryServicesOnce) {
    const QStringList added =
        cot::testing::callAtOnce(server_, 4, 1, "InsereServicoAuto", [](int) { return QVariantList{nr(10), "01", "", "T"}; });
    EXPECT_EQ(cot::testing::refusalsIn(added), QStringList());
    int total = 0;
    for (const QString& n : added) total += n.toInt();
    EXPECT_EQ(total, 2);
    EXPECT_EQ(column(packet("GetServico", {nr(10), "01"}), "NRSERVPROP"), QStringList({"001", "002"}));
}

COT_ON_EVERY_BACKEND(HeaderLookupTest);

}  // namespace
