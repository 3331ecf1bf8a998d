// Proposals on the server: the list with its statuses and joined names, who sees which,
// versions and numbers (never repeated under concurrent desktops), saves and deletes.
#include <QRegularExpression>
#include <QSet>

#include "data_cases.h"

using namespace cot;
using namespace cot::testing;

namespace {

// Seeded server; "today" is 2026-12-06 (proposal n expires relative to it).
struct ProposalMethodsTest : DemoServerTest {
    static int find(const Packet& p, int number, const char* version) {
        for (int r = 0; r < p.rows.size(); ++r)
            if (p.value(r, "NRPROPOSFAS").toString() == nr(number) && p.value(r, "NRVERPROPFAS").toString() == version) return r;
        return -1;
    }
};

TEST_P(ProposalMethodsTest, ListCarriesNamesAndLayout) {
    const Packet all = packet("GetProposta", {"0001", "T"});
    ASSERT_EQ(all.rows.size(), 14);
    EXPECT_EQ(all.value(0, "NRPROPOSFAS").toString(), nr(12));  // newest first
    const auto field = [&](const char* name) { return all.fields[all.indexOf(name)]; };
    EXPECT_EQ(std::tuple(field("NRPROPOSFAS"), field("IDSITUACAO").type, field("DTVALPROPFAS").type, field("PROPNOME").size),
              std::tuple(FieldDef{"NRPROPOSFAS", FieldType::String, 20}, FieldType::FixedString, FieldType::DateTime, 73));
    EXPECT_EQ(cells(all, find(all, 1, "01"), {"NOME", "CODIGO", "PROPOSTAVERS", "PROPNOME", "OPERSOLI", "NMOPERRESP",
                                              "NMINDICEREAJ1", "NMINTECLIE", "DTACEPROPFAS"}),
              (QStringList{"Alfa Sistemas", "11222333000181", nr(1) + "/01", "1/01 - Alfa Sistemas", "Vendedor Demonstração",
                           "Gerente Comercial", "IGP-M - Índice Geral de Preços", "Carlos Lima", "16/11/2026"}));
    EXPECT_EQ(cells(all, find(all, 4, "01"), {"IDCLIENPROSP", "NOME", "NMINTECLIE", "DTACEPROPFAS"}),
              (QStringList{"P", "Delta Engenharia", "Roberto Dias", "<null>"}));
}

TEST_P(ProposalMethodsTest, OperatorSeesWhatHeIncludedOrRequested) {
    const QStringList numbers = column(packet("GetProposta", {"0001", "ASSIST"}), "NRPROPOSFAS");
    EXPECT_EQ(QSet<QString>(numbers.begin(), numbers.end()), (QSet<QString>{nr(5), nr(10)}));  // requested one, included the other
    EXPECT_EQ(std::pair(packet("GetProposta", {"0002", "T"}).rows.size(), packet("GetProposta", {"0002", "GERENTE"}).rows.size()),
              std::pair(qsizetype(2), qsizetype(0)));
    EXPECT_EQ(call("GetProposta", {"9999", "T"}).error, QString("O operador VENDEDOR não trabalha na filial 9999."));
    // Whether the list is the whole branch's: the session's operator's group decides.
    EXPECT_EQ(server_.call("GetVeTodasPropostas")["result"], QJsonValue(true));
    EXPECT_EQ(server_.callAs(server_.openSession("ASSIST"), "GetVeTodasPropostas")["result"], QJsonValue(false));
}

TEST_P(ProposalMethodsTest, VersionsAndNumbers) {
    EXPECT_EQ(QStringList({packet("getMaxVerPropFas", {nr(6)}).value(0, "NRVERPROPFAS").toString(),
                           packet("getMaxVerPropFas", {nr(999)}).value(0, "NRVERPROPFAS").toString()}), QStringList({"04", "01"}));
    EXPECT_EQ(std::pair(packet("ValidaProposta", {"0001", nr(6), "02"}).rows.size(),
                        packet("ValidaProposta", {"0001", nr(6), "04"}).rows.size()),
              std::pair(qsizetype(1), qsizetype(0)));
    // The header stores two digits.
    EXPECT_EQ(call("ValidaProposta", {"0001", nr(6), "2"}).error, QString("Versão de proposta inválida: informe os 2 dígitos."));
    EXPECT_EQ(packet("GetParamPerc", {}).value(0, "VRTXJUROSLICUSO").toDouble(), 1.5);

    const RpcResult first = call("PrxProposta");
    EXPECT_EQ(first.value.toString(), nr(15)) << first.error.toStdString();  // after the demo numbers
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
    const auto save = [&](ChangeOp op, const QVariantList& old, const QVariantList& now) {
        return call("SetProposta", {QVariant::fromValue(Delta{fields, {RowChange{op, old, now}}})});
    };
    ASSERT_TRUE(save(ChangeOp::Insert, {}, row).ok);
    const Packet mine = packet("GetProposta", {"0001", "ASSIST"});
    EXPECT_EQ(cells(mine, find(mine, number.toInt(), "01"), {"NOME", "DSREFEPROPOSFAS", "DTVALPROPFAS"}),
              QStringList({"Beta Comércio", "Nova proposta d'Ávila", "05/01/2027"}));

    // An update whose original value no longer matches changes nothing; a row without its key is refused.
    QVariantList changed = row, stale = row, blank = row;
    changed[6] = "Referência nova";
    stale[6] = "outro texto";
    blank[1] = "";
    EXPECT_EQ(save(ChangeOp::Update, stale, changed).error, "Registro alterado ou excluído por outro usuário.");
    ASSERT_TRUE(save(ChangeOp::Update, row, changed).ok);
    EXPECT_EQ(server_.db().scalar("SELECT DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", number}}).toString(),
              QString("Referência nova"));
    EXPECT_FALSE(save(ChangeOp::Insert, {}, blank).ok);
}

TEST_P(ProposalMethodsTest, DeletingAVersionTakesItsChildren) {
    const Delta remove{{{"NRPROPOSFAS", FieldType::String, 20}, {"NRVERPROPFAS", FieldType::String, 2}},
                       {RowChange{ChangeOp::Delete, {nr(2), "01"}, {}}}};
    ASSERT_TRUE(call("SetProposta", {QVariant::fromValue(remove)}).ok);
    for (const char* table : {"PROPOSTAFAS", "LINPPROP", "VENCLINPPROP", "SERVPROP", "SIMULALINP", "TXTPROPFAS"})
        EXPECT_EQ(server_.db().scalar(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N").arg(table),
                                       {{"N", nr(2)}}).toInt(), 0) << table;
}

COT_ON_EVERY_BACKEND(ProposalMethodsTest);

}  // namespace
