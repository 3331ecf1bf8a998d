// Lookups and checks of the proposal header over the demo data: contacts,
// interlocutors, commercial products, the readjustment clean-up and the automatic
// mandatory services.
#include "data_cases.h"

using namespace cot;
using cot::testing::cells;

namespace {

class HeaderLookupTest : public cot::testing::DemoServerTest {
protected:
    QString failure(const QString& method, const QVariantList& args) { return call(method, args).error; }
};

TEST_P(HeaderLookupTest, ContactsOfTheBranchAndParty) {
    const Packet all = packet("GetPesqContato", {"0001", "C", "11222333000181", "", "T"});
    ASSERT_EQ(all.fields.size(), 5);
    EXPECT_EQ(all.rows.size(), 1);
    EXPECT_EQ(cells(all, 0, {"NRCONTATO", "REFERENCIA", "CDCLIENTE", "IDTPCONTATO"}),
              QStringList({"0000000001", "Ana Paula - Compras Alfa", "11222333000181", "C"}));

    EXPECT_EQ(packet("GetPesqContato", {"0001", "C", "11222333000181", "", "1"}).rows.size(), 1) << "typed short";
    EXPECT_TRUE(packet("GetPesqContato", {"0001", "C", "11222333000181", "", "0000000002"}).rows.isEmpty())
        << "another client's contact";
    EXPECT_EQ(column(packet("GetPesqContato", {"0001", "C", "", "", "T"}), "NRCONTATO"),
              QStringList({"0000000001", "0000000002", "0000000003"}))
        << "no client yet: the branch's client contacts, by name";
    EXPECT_EQ(column(packet("GetPesqContato", {"0001", "P", "", "77888999000127", "4"}), "CDPROSPECT"),
              QStringList{"77888999000127"});
    EXPECT_TRUE(packet("GetPesqContato", {"0002", "P", "", "77888999000127", "T"}).rows.isEmpty()) << "other branch";
    EXPECT_EQ(failure("GetPesqContato", {"0001", "X", "", "", "T"}),
              "Tipo de contratante inválido: use 'C' (cliente) ou 'P' (prospect).");
}

TEST_P(HeaderLookupTest, InterlocutorsOfClientsAndProspects) {
    const Packet client = packet("GetInterLoc", {"11222333000181", "C"});
    EXPECT_EQ(column(client, "CDINTECLIE"), QStringList({"01", "02"}));
    EXPECT_EQ(client.value(1, "NMINTECLIE").toString(), "Débora Martins");
    const Packet prospect = packet("GetInterLoc", {"77888999000127", "P"});
    ASSERT_EQ(prospect.fields.size(), 2);
    EXPECT_EQ(prospect.fields[0].name, "CDINTECLIE") << "one shape for both kinds";
    EXPECT_EQ(column(prospect, "NMINTECLIE"), QStringList({"Roberto Dias"}));
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
    EXPECT_EQ(folha.fields.size(), 3);
    EXPECT_EQ(column(folha, "SGSISTEMA"), QStringList({"EST", "FAT", "FIN", "FIS"}));
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
