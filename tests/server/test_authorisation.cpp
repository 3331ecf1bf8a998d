// What a session's operator may reach: his branches, his own proposals unless his group
// sees the whole branch, and never another operator's name. A refused call writes nothing.

#include "support/packet_cells.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kAssistAsVendedor = "O operador ASSIST não pode agir como o operador VENDEDOR.";

const QList<FieldDef> kHeader{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                              {"CDFILIAL", FieldType::String, 4},     {"IDSOLPROPFAS", FieldType::String, 1},
                              {"IDCLIENPROSP", FieldType::String, 1}, {"CDCLIENTE", FieldType::String, 21},
                              {"DSREFEPROPOSFAS", FieldType::String, 100}, {"CDOPERINCL", FieldType::String, 12},
                              {"CDOPERSOLI", FieldType::String, 12}};

// Demo data: ASSIST works in 0001 and his group may not see the branch; GERENTE's may.
struct Authorisation : cot::testing::DemoServerTest {
    RpcResult as(const QString& op, const QString& method, const QVariantList& args) {
        auto& connection = connections_[op];
        if (!connection) {
            connection = server_.newConnection();
            connection->setToken(server_.openSession(op));
        }
        return connection->call(method, args);
    }
    QString stored(const QString& column, int proposal) {
        return server_.db().scalar("SELECT " + column + " FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'",
                                   {{"N", nr(proposal)}}).toString();
    }
    int proposals() { return count("SELECT COUNT(*) FROM PROPOSTAFAS"); }
    RpcResult save(const QString& op, const Delta& delta) { return as(op, "SetProposta", {QVariant::fromValue(delta)}); }
    static Delta insertOf(const QString& number, const QString& branch, const QString& including) {
        return {kHeader, {{ChangeOp::Insert, {}, {number, "01", branch, "N", "C", "22333444000172", "Nova", including, including}}}};
    }

    std::map<QString, std::unique_ptr<NetConnection>> connections_;
};

TEST_P(Authorisation, TheWholeBranchListIsOnlyForAGroupThatMaySeeIt) {
    EXPECT_EQ(as("ASSIST", "GetProposta", {"0001", "T"}).error,
              "O operador ASSIST não pode ver as propostas de todos os operadores da filial.");
    EXPECT_TRUE(as("GERENTE", "GetProposta", {"0001", "T"}).ok);

    const RpcResult own = as("ASSIST", "GetProposta", {"0001", "ASSIST"});
    ASSERT_TRUE(succeeded(own));
    const Packet mine = own.value.value<Packet>();
    for (int r = 0; r < mine.rows.size(); ++r)
        EXPECT_TRUE(mine.value(r, "CDOPERINCL").toString() == "ASSIST" || mine.value(r, "CDOPERSOLI").toString() == "ASSIST");

    // Asking for another operator's list is acting as him; a branch not his is refused.
    EXPECT_EQ(as("ASSIST", "GetProposta", {"0001", "VENDEDOR"}).error, kAssistAsVendedor);
    EXPECT_TRUE(as("GERENTE", "GetProposta", {"0001", "VENDEDOR"}).ok) << "who sees the branch sees anyone's";
    EXPECT_EQ(as("GERENTE", "GetProposta", {"0002", "T"}).error, QString("O operador GERENTE não trabalha na filial 0002."));

    // The filter narrows to his own proposals whatever operator criterion it carries.
    const QVariantList open{"0001", "T", "T", {}, {}, {}, {}, "T", {}, {}, "T", "T", "T", "", "", "", "T", "T", ""};
    const RpcResult filtered = as("ASSIST", "GetPropostaAux", open);
    EXPECT_EQ(filtered.value.value<Packet>().rows.size(), mine.rows.size()) << filtered.error.toStdString();
    QVariantList other = open;
    other[16] = "VENDEDOR";
    EXPECT_EQ(as("ASSIST", "GetPropostaAux", other).error, kAssistAsVendedor);
}

TEST_P(Authorisation, NobodyActsAsAnotherOperatorAndARefusedCallWritesNothing) {
    EXPECT_EQ(as("ASSIST", "GetControlaAnexo", {"VENDEDOR"}).error, kAssistAsVendedor);

    EXPECT_EQ(as("ASSIST", "AceiteProposta", {nr(2), "01", "22333444000172", QDateTime(QDate(2026, 12, 6), QTime()), "07",
                                              "0001", "VENDEDOR"}).error, kAssistAsVendedor);
    // Without a session nobody accepts anything.
    EXPECT_EQ(server_.callAs({}, "AceiteProposta", {nr(2), "01", "22333444000172", "2026-12-06T00:00:00", "07", "0001", "VENDEDOR"})
                  ["error"].toObject()["code"].toInt(), -32001);
    EXPECT_TRUE(stored("DTACEPROPFAS", 2).isEmpty());
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM LINPCLIE WHERE CDCLIENTE = '22333444000172'").toInt(), 0);

    // A new proposal is his own, in his branch.
    const int before = proposals();
    EXPECT_EQ(save("ASSIST", insertOf(nr(900), "0001", "VENDEDOR")).error, kAssistAsVendedor);
    EXPECT_EQ(save("ASSIST", insertOf(nr(901), "0002", "ASSIST")).error, QString("O operador ASSIST não trabalha na filial 0002."));
    EXPECT_EQ(proposals(), before);
    ASSERT_TRUE(save("ASSIST", insertOf(nr(902), "0001", "ASSIST")).ok);
    EXPECT_EQ(proposals(), before + 1);
}

TEST_P(Authorisation, AnotherOperatorsProposalIsChangedOnlyByWhoSeesTheBranch) {
    const QString reference = stored("DSREFEPROPOSFAS", 2), owner = stored("CDOPERINCL", 2);
    ASSERT_TRUE(owner != "ASSIST" && stored("CDOPERSOLI", 2) != "ASSIST");
    const QList<FieldDef> fields{kHeader[0], kHeader[1], kHeader[6], kHeader[7]};
    // The delta's old row may say anything: the stored one decides.
    const Delta lying{fields, {{ChangeOp::Update, {nr(2), "01", reference, "ASSIST"}, {nr(2), "01", "Alterada", "ASSIST"}}}};
    EXPECT_EQ(save("ASSIST", lying).error, QString("O operador ASSIST não pode alterar propostas de outros operadores."));
    EXPECT_EQ(stored("DSREFEPROPOSFAS", 2), reference);

    // GERENTE may change it, but not claim to have included it.
    const Delta takeOver{fields, {{ChangeOp::Update, {nr(2), "01", reference, owner}, {nr(2), "01", reference, "ASSIST"}}}};
    EXPECT_EQ(save("GERENTE", takeOver).error, QString("O operador GERENTE não pode agir como o operador ASSIST."));
    const Delta edit{fields, {{ChangeOp::Update, {nr(2), "01", reference, owner}, {nr(2), "01", "Alterada", owner}}}};
    ASSERT_TRUE(succeeded(save("GERENTE", edit)));
    EXPECT_EQ(QStringList({stored("DSREFEPROPOSFAS", 2), stored("CDOPERINCL", 2)}), QStringList({"Alterada", owner}));
}

COT_ON_EVERY_BACKEND(Authorisation);

}  // namespace
