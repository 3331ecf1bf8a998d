// The proposal list with the filter's criteria, over fixture proposals whose dates sit
// at known distances from the fixed clock (2026-12-06 10:00), on both engines.
#include <QSet>
#include <gtest/gtest.h>

#include "server/methods/selection_text.h"
#include "rpc/net_connection.h"
#include "server/storage/database.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

const QString kBranch = "0009";
const QDate kToday(2026, 12, 6);

QString nr(int n) { return QStringLiteral("9%1").arg(n, 19, 10, QLatin1Char('0')); }
QDateTime at(int days, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(kToday.addDays(days), QTime(hour, minute, second));
}

struct Fixture {
    int n;
    const char* contract;
    const char* client;
    const char* prospect;
    const char* contact;
    QDateTime created, validUntil, accepted;
    const char* including;
    const char* requesting;
    const char* reference;
};

// 1 expired yesterday; 2 expires today; 3 in ten days (late in the day); 4 in eleven;
// 5 accepted and still valid; 6 accepted and past its validity; 7 a client whose code
// holds a quote, valid for long.
const Fixture kFixtures[] = {
    {1, "M", "11222333000181", nullptr, nullptr, at(-35, 15, 30), at(-1, 23, 59, 59), {}, "VENDEDOR", "VENDEDOR", "Expirou ontem"},
    {2, "L", "22333444000172", nullptr, nullptr, at(0, 15, 30), at(0, 8), {}, "GERENTE", "VENDEDOR", "Vence hoje"},
    {3, "S", nullptr, "77888999000127", "0000000004", at(-16), at(10, 18), {}, "GERENTE", "GERENTE", "Dez dias"},
    {4, "M", nullptr, "88999000000118", "0000000005", at(-15, 23, 59, 59), at(11), {}, "ASSIST", "ASSIST", "Onze dias"},
    {5, "M", "11222333000181", nullptr, "0000000001", at(-20), at(30), at(-11, 14), "VENDEDOR", "GERENTE", "Aceita válida"},
    {6, "L", "11222333000181", nullptr, nullptr, at(-60), at(-5), at(-30), "GERENTE", "GERENTE", "Aceita vencida"},
    {7, "L", "O'BRIEN", nullptr, nullptr, at(-3), at(40), {}, "GERENTE", "GERENTE", "Implantação do módulo fiscal"},
};

void prepare(server::Database& db) {
    // A branch of its own, where the session's operator works.
    db.exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0009', 'Filial de Testes')");
    db.exec("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) VALUES ('VENDEDOR', '0009')");
    for (const Fixture& f : kFixtures) {
        db.exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, IDCLIENPROSP, CDCLIENTE, "
                "CDPROSPECT, NRCONTATO, DSREFEPROPOSFAS, DTPROPOSFAS, DTVALPROPFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, "
                "IDTIPOPROPFAS, IDTIPOCOBRSERV) VALUES (:NR, '01', :FILIAL, 'N', :KIND, :CLI, :PRO, :CON, :REF, :CRIADA, "
                ":VALIDADE, :ACEITE, :INCL, :SOLI, :CONTRATO, 'P')",
                {{"NR", nr(f.n)}, {"FILIAL", kBranch}, {"KIND", f.client ? "C" : "P"},
                 {"CLI", f.client ? QVariant(f.client) : QVariant()}, {"PRO", f.prospect ? QVariant(f.prospect) : QVariant()},
                 {"CON", f.contact ? QVariant(f.contact) : QVariant()}, {"REF", QString::fromUtf8(f.reference)},
                 {"CRIADA", f.created}, {"VALIDADE", f.validUntil},
                 {"ACEITE", f.accepted.isValid() ? QVariant(f.accepted) : QVariant()},
                 {"INCL", f.including}, {"SOLI", f.requesting}, {"CONTRATO", f.contract}});
    }
}

// The 19 arguments, every criterion open; tests change what they exercise.
struct Criteria {
    QString branch = kBranch, clients = "T", prospects = "T", contacts = "T";
    QVariant createdFrom, createdTo, approvedFrom, approvedTo, validFrom, validTo;
    QString allCreated = "T", allApproved = "T", allValid = "T";
    QString expired, valid, expiring;
    QString op = "T", contract = "T", reference;

    QVariantList args() const {
        return {branch, clients, prospects, createdFrom, createdTo, approvedFrom, approvedTo, allCreated, validFrom,
                validTo, contacts, allApproved, allValid, expired, valid, expiring, op, contract, reference};
    }
};

class ProposalFilterTest : public ::testing::TestWithParam<Backend> {
protected:
    ProposalFilterTest() : server_({.backend = GetParam(), .seed = true, .prepare = prepare}) {}

    RpcResult run(const Criteria& c) { return server_.connection().call("GetPropostaAux", c.args()); }

    // The fixture numbers listed, as a set (the list order is checked once on its own).
    QSet<int> listed(const Criteria& c) {
        const RpcResult r = run(c);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        const Packet p = r.value.value<Packet>();
        QSet<int> out;
        for (int i = 0; i < p.rows.size(); ++i) out.insert(p.value(i, "NRPROPOSFAS").toString().right(3).toInt());
        return out;
    }
    QString failure(const Criteria& c) {
        const RpcResult r = run(c);
        EXPECT_FALSE(r.ok);
        return r.error;
    }

    TestServer server_;
};

using Set = QSet<int>;

TEST(SelectionText, ParsesQuotedCodesAndRefusesAnythingElse) {
    using cot::parseSelectionText;
    EXPECT_EQ(parseSelectionText("'000001','000007'"), QStringList({"000001", "000007"}));
    EXPECT_EQ(parseSelectionText("'A''B' , 'C'"), QStringList({"A'B", "C"}));
    EXPECT_EQ(parseSelectionText("''"), QStringList({""}));
    EXPECT_EQ(parseSelectionText("  "), QStringList());
    for (const char* bad : {"000001", "'000001", "'a',", "'a',,'b'", "'a' 'b'", "'a'x", ",'a'", "'a'); DROP TABLE X; --"})
        EXPECT_FALSE(parseSelectionText(bad).has_value()) << bad;

    QVariantMap params;
    EXPECT_EQ(server::inCondition("P.CDCLIENTE", {"x' OR '1'='1", "b"}, "CLI", params), "P.CDCLIENTE IN (:CLI0, :CLI1)");
    EXPECT_EQ(params.value("CLI0").toString(), "x' OR '1'='1");
}

TEST_P(ProposalFilterTest, OpenCriteriaListTheWholeBranchLikeTheUnfilteredList) {
    EXPECT_EQ(listed({}), Set({1, 2, 3, 4, 5, 6, 7}));

    // On the demo branch the result is exactly GetProposta's: same fields, rows, order.
    Criteria demo;
    demo.branch = "0001";
    const Packet filtered = run(demo).value.value<Packet>();
    const Packet plain = server_.connection().call("GetProposta", {"0001", "T"}).value.value<Packet>();
    ASSERT_FALSE(plain.rows.isEmpty());
    EXPECT_EQ(filtered.fields, plain.fields);
    EXPECT_EQ(filtered.rows, plain.rows);
    EXPECT_EQ(filtered.value(0, "NRPROPOSFAS").toString(), "00000000000000000012") << "newest number first";
}

TEST_P(ProposalFilterTest, StatusesCountCalendarDaysUntilValidity) {
    Criteria c;
    c.expired = "V";
    EXPECT_EQ(listed(c), Set({1})) << "yesterday, even late in the day, is expired";
    c = {};
    c.expiring = "AV";
    EXPECT_EQ(listed(c), Set({2, 3})) << "today (already past its hour) and ten days ahead are expiring";
    c = {};
    c.valid = "VA";
    EXPECT_EQ(listed(c), Set({4, 7})) << "valid means more than ten days ahead: the green ones";
    c.expiring = "AV";
    EXPECT_EQ(listed(c), Set({2, 3, 4, 7}));
    c.expired = "V";
    EXPECT_EQ(listed(c), Set({1, 2, 3, 4, 7})) << "every status given still leaves the accepted out";
    c.expired = c.valid = c.expiring = "";
    EXPECT_EQ(listed(c), Set({1, 2, 3, 4, 5, 6, 7})) << "no status given restricts nothing";

    // The codes read by value, in any case and position; anything else is refused.
    c = {};
    c.expired = " av ";
    EXPECT_EQ(listed(c), Set({2, 3}));
    c.expired = "X";
    EXPECT_EQ(failure(c), "Situação de proposta inválida no filtro: \"X\".");

    // The status picture of each row agrees with the status it was listed under.
    c = {};
    const Packet p = run(c).value.value<Packet>();
    QMap<int, QString> status;
    for (int i = 0; i < p.rows.size(); ++i)
        status[p.value(i, "NRPROPOSFAS").toString().right(3).toInt()] = p.value(i, "IDSITUACAO").toString();
    EXPECT_EQ(status[1], "X");
    EXPECT_EQ(status[2], "E");
    EXPECT_EQ(status[3], "E");
    EXPECT_EQ(status[4], "V");
    EXPECT_EQ(status[5], "A");
}

// Without a validity date an open proposal is expired, in the filter as in the list's
// pictures; accepted, it is left out by any status as every accepted one.
TEST_P(ProposalFilterTest, NoValidityDateIsExpiredUnlessAccepted) {
    for (const auto& [n, accepted] : {std::pair{8, QVariant()}, std::pair{9, QVariant(at(-2))}})
        server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, DSREFEPROPOSFAS, "
                          "DTPROPOSFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS) "
                          "VALUES (:NR, '01', :FILIAL, 'N', 'Sem validade', :CRIADA, :ACEITE, 'GERENTE', 'GERENTE', 'M')",
                          {{"NR", nr(n)}, {"FILIAL", kBranch}, {"CRIADA", at(-4)}, {"ACEITE", accepted}});
    Criteria c;
    c.expired = "V";
    EXPECT_EQ(listed(c), Set({1, 8}));
    c = {};
    c.valid = "VA";
    EXPECT_EQ(listed(c), Set({4, 7})) << "never among the green ones";
    c.expiring = "AV";
    EXPECT_EQ(listed(c), Set({2, 3, 4, 7}));
    c.expired = "V";
    EXPECT_EQ(listed(c), Set({1, 2, 3, 4, 7, 8}));

    c = {};
    const Packet p = run(c).value.value<Packet>();
    QMap<int, QString> status;
    for (int i = 0; i < p.rows.size(); ++i)
        status[p.value(i, "NRPROPOSFAS").toString().right(3).toInt()] = p.value(i, "IDSITUACAO").toString();
    EXPECT_EQ(status.value(8), "X");
    EXPECT_EQ(status.value(9), "A");
}

TEST_P(ProposalFilterTest, DateRangesAreInclusiveByCalendarDay) {
    Criteria c;
    c.allCreated = "";
    c.createdFrom = c.createdTo = kToday;
    EXPECT_EQ(listed(c), Set({2})) << "registered today at 15:30";
    c.createdFrom = c.createdTo = QDateTime(kToday.addDays(-15), QTime(12, 0));
    EXPECT_EQ(listed(c), Set({4})) << "a time in the arguments does not cut the day; 23:59:59 is inside";
    c.createdFrom = kToday.addDays(-35);
    c.createdTo = kToday.addDays(-16);
    EXPECT_EQ(listed(c), Set({1, 3, 5}));
    c.allCreated = "T";
    EXPECT_EQ(listed(c).size(), 7) << "\"T\" ignores the dates that came along";

    c = {};
    c.allApproved = "";
    c.approvedFrom = c.approvedTo = kToday.addDays(-11);
    EXPECT_EQ(listed(c), Set({5}));
    c.approvedFrom = QVariant();  // only the end given: open start
    c.approvedTo = kToday;
    EXPECT_EQ(listed(c), Set({5, 6})) << "only accepted proposals have an approval date";

    c = {};
    c.allValid = "";
    c.validFrom = c.validTo = kToday.addDays(10);
    EXPECT_EQ(listed(c), Set({3}));
    c.validFrom = kToday.addDays(-1);
    c.validTo = kToday;
    EXPECT_EQ(listed(c), Set({1, 2}));
    c.validFrom = 0;  // the desktop's empty date
    c.validTo = QVariant();
    EXPECT_EQ(listed(c).size(), 7);
}

TEST_P(ProposalFilterTest, ContractCodesChooseTheKinds) {
    const std::pair<const char*, Set> cases[] = {
        {"T", {1, 2, 3, 4, 5, 6, 7}}, {"M", {1, 4, 5}},          {"S", {3}},          {"L", {2, 6, 7}},
        {"_M_S_", {1, 3, 4, 5}},      {"_M_L_", {1, 2, 4, 5, 6, 7}}, {"_L_S_", {2, 3, 6, 7}},
    };
    for (const auto& [code, expected] : cases) {
        Criteria c;
        c.contract = code;
        EXPECT_EQ(listed(c), expected) << code;
    }
    Criteria c;
    c.contract = "_M_X_";
    EXPECT_EQ(failure(c), "Tipo de contrato inválido no filtro: \"_M_X_\".");
}

TEST_P(ProposalFilterTest, SelectionsAreBoundCodesNeverSql) {
    Criteria c;
    c.clients = "'11222333000181'";
    EXPECT_EQ(listed(c), Set({1, 5, 6}));
    c.prospects = "'77888999000127','88999000000118'";
    EXPECT_EQ(listed(c), Set({1, 3, 4, 5, 6})) << "chosen clients or chosen prospects";
    c.clients = "T";
    EXPECT_EQ(listed(c), Set({3, 4}));
    c.contacts = "'0000000004'";
    EXPECT_EQ(listed(c), Set({3})) << "contacts restrict on their own";
    c = {};
    c.contacts = "'0000000001','0000000005'";
    EXPECT_EQ(listed(c), Set({4, 5}));

    c = {};
    c.clients = "'O''BRIEN'";
    EXPECT_EQ(listed(c), Set({7})) << "a doubled quote is a quote inside the code";
    c.clients = "'x'' OR ''1''=''1'";
    EXPECT_EQ(listed(c), Set()) << "a code that looks like SQL is only a code";
    c.clients = "'x''); DELETE FROM PROPOSTAFAS; --'";
    EXPECT_EQ(listed(c), Set());

    c.clients = "'1') OR (1=1";
    EXPECT_EQ(failure(c), "Seleção de clientes inválida.");
    c.clients = "T";
    c.prospects = "77888999000127";
    EXPECT_EQ(failure(c), "Seleção de prospects inválida.");
    c.prospects = "T";
    c.contacts = "'0000000004',";
    EXPECT_EQ(failure(c), "Seleção de contatos inválida.");
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE CDFILIAL = '0009'").toInt(), 7);
}

TEST_P(ProposalFilterTest, ReferenceOperatorAndCombinations) {
    Criteria c;
    c.reference = "IMPLANTAÇÃO";
    EXPECT_EQ(listed(c), Set({7})) << "case-insensitive also beyond ASCII";
    c.reference = "  dias ";
    EXPECT_EQ(listed(c), Set({3, 4}));
    c.reference = "100%";
    EXPECT_EQ(listed(c), Set()) << "wildcards are plain characters";

    c = {};
    c.op = "VENDEDOR";
    EXPECT_EQ(listed(c), Set({1, 2, 5})) << "included or requested by the operator";
    c.op = "ASSIST";
    EXPECT_EQ(listed(c), Set({4}));

    c = {};
    c.contract = "_M_L_";
    c.valid = "VA";
    c.expiring = "AV";
    c.clients = "'11222333000181','22333444000172','O''BRIEN'";
    EXPECT_EQ(listed(c), Set({2, 7}));
    c.op = "GERENTE";
    c.allCreated = "";
    c.createdFrom = kToday.addDays(-3);
    c.createdTo = kToday.addDays(-3);
    EXPECT_EQ(listed(c), Set({7}));
    c.branch = "0001";
    EXPECT_EQ(listed(c), Set()) << "only the given branch";
}

TEST_P(ProposalFilterTest, PickListsOfTheFilter) {
    NetConnection& net = server_.connection();
    const Packet clients = net.getPacket("GetPesqCliente");
    const QStringList clientFields{"IDMARCADO", "IDCLIENPROSP", "CDFILIAL", "CDCLIENTE", "NRINSJURCLIE",
                                   "NMFANTCLIE", "IDTPIJURCLIE", "NMRAZSOCCLIE"};
    ASSERT_EQ(clients.fields.size(), clientFields.size());
    for (int i = 0; i < clientFields.size(); ++i) EXPECT_EQ(clients.fields[i].name, clientFields[i]);
    EXPECT_EQ(clients.fields[0].type, FieldType::FixedString);
    EXPECT_EQ(clients.fields[3].size, 21);
    EXPECT_EQ(clients.rows.size(), 8);
    EXPECT_EQ(clients.value(0, "NMFANTCLIE").toString(), "Alfa Sistemas") << "by name";
    EXPECT_EQ(clients.value(0, "IDCLIENPROSP").toString(), "C");
    EXPECT_TRUE(clients.value(0, "IDMARCADO").toString().trimmed().isEmpty());

    const Packet prospects = net.getPacket("GetPesqProspect");
    EXPECT_EQ(prospects.rows.size(), 4);
    EXPECT_EQ(prospects.fields[3].name, "CDPROSPECT");
    EXPECT_EQ(prospects.value(0, "NMFANTPROS").toString(), "Delta Engenharia");
    EXPECT_EQ(prospects.value(0, "IDCLIENPROSP").toString(), "P");

    const Packet contacts = net.getPacket("GetPesqCont");
    const QStringList contactFields{"IDCLIENPROSP", "IDMARCADO", "CDFILIAL", "NRCONTATO", "DSREFECONT"};
    ASSERT_EQ(contacts.fields.size(), contactFields.size());
    for (int i = 0; i < contactFields.size(); ++i) EXPECT_EQ(contacts.fields[i].name, contactFields[i]);
    EXPECT_EQ(contacts.fields[3].size, 10);
    EXPECT_EQ(contacts.rows.size(), 6);
    EXPECT_EQ(contacts.value(0, "DSREFECONT").toString(), "Ana Paula - Compras Alfa");
    EXPECT_EQ(contacts.value(3, "IDCLIENPROSP").toString(), "P") << "Daniel Nunes, a prospect's contact";
}

INSTANTIATE_TEST_SUITE_P(Db, ProposalFilterTest, ::testing::ValuesIn(cot::testing::availableBackends()),
                         cot::testing::backendName);

}  // namespace
