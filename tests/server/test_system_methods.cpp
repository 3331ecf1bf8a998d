// Systems of a product line: the selection list, one system at a time, and the systems'
// change log; a system is never on a line twice, and an access-point line takes one.
#include "server_cases_b.h"

using namespace cot;

namespace {

class SystemMethodsTest : public DemoServerTest {
protected:
    QStringList systemsOf(int number, int line) {
        QStringList codes = column(packet("GetSistLinhaProd", {nr(number), "01", nr(line)}), "CDSISTEMA");
        codes.sort();
        return codes;
    }
    // The systems table as the screen sends it.
    RpcResult setSistema(const QList<RowChange>& changes) {
        const QList<FieldDef> fields{{"SGSISTEMA", FieldType::String, 3},  {"NRPROPOSFAS", FieldType::String, 20},
                                     {"NRVERPROPFAS", FieldType::String, 2}, {"CDLINPPROP", FieldType::String, 20},
                                     {"NMSISTEMA", FieldType::String, 40},  {"CDSISTEMA", FieldType::String, 8}};
        return call("SetSistema", {QVariant::fromValue(Delta{fields, changes})});
    }
    RpcResult insert(int number, int line, const QString& code) { return call("InsereSistema", {nr(number), "01", nr(line), code}); }
    static QVariantList row(int number, int line, const QString& abbrev, const QString& code) {
        return {abbrev, nr(number), "01", nr(line), QString(), code};
    }
};

TEST_P(SystemMethodsTest, SelectionListsTheProductsSystemsOfThePlatform) {
    const Packet erp = packet("GetSistema", {"WEB", "", "ERP", "PROD"});
    EXPECT_EQ(names(erp), QStringList({"SGSISTEMA", "CDPROCOMERCI", "NMPROCOMERCI", "IDTECNOSIST", "CDSISTEMA", "IDCHECK",
                                  "NMSISTEMA"}));
    // By abbreviation, nothing checked.
    EXPECT_EQ(column(erp, "CDSISTEMA") + column(erp, "IDCHECK") << erp.value(0, "NMPROCOMERCI").toString(),
              QStringList({"WEB00002", "WEB00003", "WEB00001", "N", "N", "N", "Gestão Empresarial"}));

    server_.db().exec("UPDATE SISTEMA SET IDSITUSIST = 'I' WHERE CDSISTEMA = 'WIN00004'");
    // Every product's active systems when the proposal has no product.
    EXPECT_EQ(column(packet("GetSistema", {"WIN", "", "", "PTOA"}), "CDSISTEMA"), QStringList({"WIN00002", "WIN00001", "WIN00003"}));
}

TEST_P(SystemMethodsTest, InsertingASystemTwiceKeepsOne) {
    // Line 4 of proposal 2 (Escrita Fiscal Web) has WEB00005.
    for (int attempt = 0; attempt < 2; ++attempt) EXPECT_TRUE(cot::testing::succeeded(insert(2, 4, "WEB00001")));
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00005"}));
    EXPECT_EQ(QStringList({insert(2, 99, "WEB00001").error, insert(2, 4, "XYZ00001").error, insert(2, 4, "").error}),
              QStringList({"Linha de produto não cadastrada na proposta.", "Sistema não cadastrado.", "Sistema deve ser selecionado."}));

    // An access-point line takes one system: line 2 of proposal 1 (type P) has WEB00004.
    const QString one = "Linha de produto do tipo ponto de acesso pode possuir apenas um sistema.";
    EXPECT_EQ(insert(1, 2, "WEB00001").error, one);
    EXPECT_TRUE(insert(1, 2, "WEB00004").ok) << "the system it has is no second one";
    EXPECT_EQ(setSistema({{ChangeOp::Insert, {}, row(1, 2, "FIN", "WEB00001")}}).error, one);
    // Replacing its system is fine.
    EXPECT_TRUE(cot::testing::succeeded(setSistema({{ChangeOp::Update, row(1, 2, "FOL", "WEB00004"), row(1, 2, "FIN", "WEB00001")}})));
    EXPECT_EQ(systemsOf(1, 2), QStringList({"WEB00001"}));
}

TEST_P(SystemMethodsTest, ChangeLogIsAppliedWholeAndARetryDuplicatesNothing) {
    const QList<RowChange> changes{{ChangeOp::Insert, {}, row(2, 4, "FIN", "WEB00001")},
                                   {ChangeOp::Delete, row(2, 4, "FIS", "WEB00005"), {}}};
    ASSERT_TRUE(cot::testing::succeeded(setSistema(changes)));
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001"}));

    // The answer was lost and the screen sends the same log again: the insert is already
    // there, the delete is not, so the log as a whole is a conflict and changes nothing.
    EXPECT_EQ(setSistema(changes).error, "Registro alterado ou excluído por outro usuário.");
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001"}));
    // An insert alone sent twice succeeds and keeps one row; a row the grid typed by
    // abbreviation finds the system of the line's platform.
    const RowChange est{ChangeOp::Insert, {}, row(2, 4, "EST", "WEB00002")};
    ASSERT_TRUE(cot::testing::succeeded(setSistema({est, est})));
    ASSERT_TRUE(cot::testing::succeeded(setSistema({est})));
    ASSERT_TRUE(cot::testing::succeeded(setSistema({{ChangeOp::Insert, {}, row(2, 4, "FAT", "")}})));
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00002", "WEB00003"}));

    // One bad row refuses the whole log.
    EXPECT_EQ(setSistema({{ChangeOp::Insert, {}, row(2, 4, "FIS", "WEB00005")}, {ChangeOp::Insert, {}, row(2, 4, "XYZ", "")}}).error,
              "Sistema não cadastrado.");
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00002", "WEB00003"}));
    EXPECT_EQ(setSistema({{ChangeOp::Update, row(2, 4, "FIN", "WEB00001"), row(2, 4, "EST", "WEB00002")}}).error,
              "Sistema já cadastrado para a linha de produto.");
}

COT_ON_EVERY_BACKEND(SystemMethodsTest);

}  // namespace
