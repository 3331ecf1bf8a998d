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
        Delta d{{{"SGSISTEMA", FieldType::String, 3},
                 {"NRPROPOSFAS", FieldType::String, 20},
                 {"NRVERPROPFAS", FieldType::String, 2},
                 {"CDLINPPROP", FieldType::String, 20},
                 {"NMSISTEMA", FieldType::String, 40},
                 {"CDSISTEMA", FieldType::String, 8}},
                changes};
        return call("SetSistema", {QVariant::fromValue(d)});
    }
    static QVariantList row(int number, int line, const QString& abbrev, const QString& code) {
        return {abbrev, nr(number), "01", nr(line), QString(), code};
    }
};

TEST_P(SystemMethodsTest, SelectionListsTheProductsSystemsOfThePlatform) {
    const Packet erp = packet("GetSistema", {"WEB", "", "ERP", "PROD"});
    EXPECT_EQ(names(erp), QStringList({"SGSISTEMA", "CDPROCOMERCI", "NMPROCOMERCI", "IDTECNOSIST", "CDSISTEMA", "IDCHECK",
                                  "NMSISTEMA"}));
    EXPECT_EQ(column(erp, "CDSISTEMA"), QStringList({"WEB00002", "WEB00003", "WEB00001"})) << "by abbreviation";
    EXPECT_EQ(column(erp, "IDCHECK"), QStringList({"N", "N", "N"}));
    EXPECT_EQ(erp.value(0, "NMPROCOMERCI").toString(), "Gestão Empresarial");

    server_.db().exec("UPDATE SISTEMA SET IDSITUSIST = 'I' WHERE CDSISTEMA = 'WIN00004'");
    EXPECT_EQ(column(packet("GetSistema", {"WIN", "", "", "PTOA"}), "CDSISTEMA"), QStringList({"WIN00002", "WIN00001", "WIN00003"}))
        << "every product's active systems when the proposal has no product";
}

TEST_P(SystemMethodsTest, InsertingASystemTwiceKeepsOne) {
    // Line 4 of proposal 2 (Escrita Fiscal Web) has WEB00005.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const RpcResult r = call("InsereSistema", {nr(2), "01", nr(4), "WEB00001"});
        EXPECT_TRUE(r.ok) << r.error.toStdString();
    }
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00005"}));

    EXPECT_EQ(call("InsereSistema", {nr(2), "01", nr(99), "WEB00001"}).error,
              "Linha de produto não cadastrada na proposta.");
    EXPECT_EQ(call("InsereSistema", {nr(2), "01", nr(4), "XYZ00001"}).error, "Sistema não cadastrado.");
    EXPECT_EQ(call("InsereSistema", {nr(2), "01", nr(4), ""}).error, "Sistema deve ser selecionado.");
}

TEST_P(SystemMethodsTest, AnAccessPointLineTakesOneSystem) {
    // Line 2 of proposal 1 is an access point (type P) with WEB00004.
    RpcResult r = call("InsereSistema", {nr(1), "01", nr(2), "WEB00001"});
    EXPECT_EQ(r.error, "Linha de produto do tipo ponto de acesso pode possuir apenas um sistema.");
    r = call("InsereSistema", {nr(1), "01", nr(2), "WEB00004"});
    EXPECT_TRUE(r.ok) << "the system it has is no second one";
    r = setSistema({{ChangeOp::Insert, {}, row(1, 2, "FIN", "WEB00001")}});
    EXPECT_EQ(r.error, "Linha de produto do tipo ponto de acesso pode possuir apenas um sistema.");
    // Replacing its system is fine.
    r = setSistema({{ChangeOp::Update, row(1, 2, "FOL", "WEB00004"), row(1, 2, "FIN", "WEB00001")}});
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(systemsOf(1, 2), QStringList({"WEB00001"}));
}

TEST_P(SystemMethodsTest, ChangeLogIsAppliedWholeAndARetryDuplicatesNothing) {
    const QList<RowChange> changes{{ChangeOp::Insert, {}, row(2, 4, "FIN", "WEB00001")},
                                   {ChangeOp::Delete, row(2, 4, "FIS", "WEB00005"), {}}};
    RpcResult r = setSistema(changes);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001"}));

    // The answer was lost and the screen sends the same log again: the insert is already
    // there, the delete is not, so the log as a whole is a conflict and changes nothing.
    r = setSistema(changes);
    EXPECT_EQ(r.error, "Registro alterado ou excluído por outro usuário.");
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001"}));
    // An insert alone sent twice succeeds and keeps one row.
    r = setSistema({{ChangeOp::Insert, {}, row(2, 4, "EST", "WEB00002")}, {ChangeOp::Insert, {}, row(2, 4, "EST", "WEB00002")}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    r = setSistema({{ChangeOp::Insert, {}, row(2, 4, "EST", "WEB00002")}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00002"}));

    // A row the grid typed by abbreviation finds the system of the line's platform.
    r = setSistema({{ChangeOp::Insert, {}, row(2, 4, "FAT", "")}});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00002", "WEB00003"}));

    // One bad row refuses the whole log.
    r = setSistema({{ChangeOp::Insert, {}, row(2, 4, "FIS", "WEB00005")}, {ChangeOp::Insert, {}, row(2, 4, "XYZ", "")}});
    EXPECT_EQ(r.error, "Sistema não cadastrado.");
    EXPECT_EQ(systemsOf(2, 4), QStringList({"WEB00001", "WEB00002", "WEB00003"}));
    r = setSistema({{ChangeOp::Update, row(2, 4, "FIN", "WEB00001"), row(2, 4, "EST", "WEB00002")}});
    EXPECT_EQ(r.error, "Sistema já cadastrado para a linha de produto.");
}

COT_ON_EVERY_BACKEND(SystemMethodsTest);

}  // namespace
