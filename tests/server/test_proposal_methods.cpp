// Proposals on the server: the list with its statuses and joined names, who sees which,
// versions and numbers (never repeated under concurrent desktops), saves and deletes.
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include "data_cases.h"

using namespace cot;

namespace {

// Seeded server; "today" is 2026-12-06 (proposal n expires relative to it).
class ProposalMethodsTest : public DemoServerTest {
protected:
    static int find(const Packet& p, int number, const char* version) {
        for (int r = 0; r < p.rows.size(); ++r)
            if (p.value(r, "NRPROPOSFAS").toString() == nr(number) && p.value(r, "NRVERPROPFAS").toString() == version)
                return r;
        return -1;
    }
};

TEST_P(ProposalMethodsTest, ListCarriesNamesAndLayout) {
    const Packet all = packet("GetProposta", {"0001", "T"});
    ASSERT_EQ(all.rows.size(), 14);
    EXPECT_EQ(all.value(0, "NRPROPOSFAS").toString(), nr(12));  // newest first
    EXPECT_EQ(all.fields[all.indexOf("NRPROPOSFAS")], (FieldDef{"NRPROPOSFAS", FieldType::String, 20}));
    EXPECT_EQ(all.fields[all.indexOf("IDSITUACAO")].type, FieldType::FixedString);
    EXPECT_EQ(all.fields[all.indexOf("DTVALPROPFAS")].type, FieldType::DateTime);
    EXPECT_EQ(all.fields[all.indexOf("PROPNOME")].size, 73);

    const auto cells = [&](int n, const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields) out << all.value(find(all, n, "01"), f).toString();
        return out;
    };
    EXPECT_EQ(cells(1, {"NOME", "CODIGO", "PROPOSTAVERS", "PROPNOME", "OPERSOLI", "NMOPERRESP", "NMINDICEREAJ1",
                        "NMINTECLIE"}),
              (QStringList{"Alfa Sistemas", "11222333000181", nr(1) + "/01", "1/01 - Alfa Sistemas",
                           "Vendedor Demonstração", "Gerente Comercial", "IGP-M - Índice Geral de Preços",
                           "Carlos Lima"}));
    EXPECT_EQ(all.value(find(all, 1, "01"), "DTACEPROPFAS").toDateTime().date(), QDate(2026, 11, 16));
    EXPECT_EQ(cells(4, {"IDCLIENPROSP", "NOME", "NMINTECLIE", "DTACEPROPFAS"}),
              (QStringList{"P", "Delta Engenharia", "Roberto Dias", ""}));
    EXPECT_TRUE(all.value(find(all, 4, "01"), "DTACEPROPFAS").isNull());
}

TEST_P(ProposalMethodsTest, OperatorSeesWhatHeIncludedOrRequested) {
    const Packet assist = packet("GetProposta", {"0001", "ASSIST"});
    QSet<QString> numbers;
    for (int r = 0; r < assist.rows.size(); ++r) numbers << assist.value(r, "NRPROPOSFAS").toString();
    EXPECT_EQ(numbers, (QSet<QString>{nr(5), nr(10)}));  // requested one, included the other
    EXPECT_EQ(packet("GetProposta", {"0002", "T"}).rows.size(), 2);
    EXPECT_TRUE(packet("GetProposta", {"0002", "GERENTE"}).rows.isEmpty());
    EXPECT_EQ(call("GetProposta", {"9999", "T"}).error,
              QString("O operador VENDEDOR não trabalha na filial 9999."));
    // Whether the list is the whole branch's: the session's operator's group decides.
    EXPECT_EQ(server_.call("GetVeTodasPropostas")["result"], QJsonValue(true));
    EXPECT_EQ(server_.callAs(server_.openSession("ASSIST"), "GetVeTodasPropostas")["result"], QJsonValue(false));
}

TEST_P(ProposalMethodsTest, VersionsAndNumbers) {
    EXPECT_EQ(packet("getMaxVerPropFas", {nr(6)}).value(0, "NRVERPROPFAS").toString(), "04");
    EXPECT_EQ(packet("getMaxVerPropFas", {nr(999)}).value(0, "NRVERPROPFAS").toString(), "01");
    EXPECT_EQ(packet("ValidaProposta", {"0001", nr(6), "02"}).rows.size(), 1);
    EXPECT_EQ(call("ValidaProposta", {"0001", nr(6), "2"}).error,
              QString("Versão de proposta inválida: informe os 2 dígitos."));  // the header stores two digits
    EXPECT_TRUE(packet("ValidaProposta", {"0001", nr(6), "04"}).rows.isEmpty());
    EXPECT_EQ(packet("GetParamPerc", {}).value(0, "VRTXJUROSLICUSO").toDouble(), 1.5);

    const RpcResult first = call("PrxProposta");
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    EXPECT_EQ(first.value.toString(), nr(15));  // after the demo numbers
}

TEST_P(ProposalMethodsTest, ConcurrentNumberingNeverRepeats) {
    const QStringList numbers = cot::testing::callAtOnce(server_, 8, 200, "PrxProposta");
    EXPECT_EQ(cot::testing::refusalsIn(numbers), QStringList());
    EXPECT_EQ(numbers.filter(QRegularExpression("^\\d{20}$")).size(), numbers.size());
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()).size(), 8 * 200);
}

TEST_P(ProposalMethodsTest, SaveInsertsUpdatesAndRefusesStaleOrKeylessRows) {
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2},
                                 {"CDFILIAL", FieldType::String, 4}, {"IDSOLPROPFAS", FieldType::String, 1},
                                 {"IDCLIENPROSP", FieldType::String, 1}, {"CDCLIENTE", FieldType::String, 21},
                                 {"DSREFEPROPOSFAS", FieldType::String, 100}, {"DTPROPOSFAS", FieldType::DateTime, 0},
                                 {"DTVALPROPFAS", FieldType::DateTime, 0}, {"CDOPERINCL", FieldType::String, 12},
                                 {"CDOPERSOLI", FieldType::String, 12}, {"NOME", FieldType::String, 50}};
    server_.connection().setToken(server_.openSession("ASSIST"));  // his own proposal
    const QString number = call("PrxProposta").value.toString();
    const QDateTime day(QDate(2026, 12, 6), QTime(0, 0));
    const QVariantList row{number, "01", "0001", "S", "C", "22333444000172", "Nova proposta d'Ávila", day,
                           day.addDays(30), "ASSIST", "ASSIST", "ignorado"};
    Delta insert = Delta{fields, {}};
    insert.changes << RowChange{ChangeOp::Insert, {}, row};
    ASSERT_TRUE(call("SetProposta", {QVariant::fromValue(insert)}).ok);

    const Packet mine = packet("GetProposta", {"0001", "ASSIST"});
    const int r = find(mine, number.toInt(), "01");
    ASSERT_GE(r, 0);
    EXPECT_EQ(cot::testing::cells(mine, r, {"NOME", "DSREFEPROPOSFAS", "DTVALPROPFAS"}),
              QStringList({"Beta Comércio", "Nova proposta d'Ávila", "05/01/2027"}));

    // An update whose original value no longer matches changes nothing.
    QVariantList changed = row;
    changed[6] = "Referência nova";
    QVariantList stale = row;
    stale[6] = "outro texto";
    Delta update = Delta{fields, {}};
    update.changes << RowChange{ChangeOp::Update, stale, changed};
    EXPECT_EQ(call("SetProposta", {QVariant::fromValue(update)}).error, "Registro alterado ou excluído por outro usuário.");
    update.changes[0].oldValues = row;
    ASSERT_TRUE(call("SetProposta", {QVariant::fromValue(update)}).ok);
    EXPECT_EQ(server_.db().scalar("SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", number}})
                  .toString(), QString("Referência nova"));

    Delta noKey = Delta{fields, {}};
    QVariantList blank = row;
    blank[1] = "";
    noKey.changes << RowChange{ChangeOp::Insert, {}, blank};
    EXPECT_FALSE(call("SetProposta", {QVariant::fromValue(noKey)}).ok);
}

TEST_P(ProposalMethodsTest, DeletingAVersionTakesItsChildren) {
    const QList<FieldDef> fields{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}};
    Delta remove{fields, {RowChange{ChangeOp::Delete, {nr(2), "01"}, {}}}};
    ASSERT_TRUE(call("SetProposta", {QVariant::fromValue(remove)}).ok);
    for (const char* table : {"PROPOSTAFAS", "LINPPROP", "VENCLINPPROP", "SERVPROP", "SIMULALINP", "TXTPROPFAS"})
        EXPECT_EQ(server_.db().scalar(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N").arg(table),
                                       {{"N", nr(2)}}).toInt(), 0) << table;
}

COT_ON_EVERY_BACKEND(ProposalMethodsTest);

}  // namespace
