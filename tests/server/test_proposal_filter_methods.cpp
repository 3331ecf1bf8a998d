// The proposal list with the filter's criteria, over fixture proposals whose dates sit
// at known distances from the fixed clock (2026-12-06 10:00), on both engines.
#include <QSet>

#include "rpc/net_connection.h"
#include "server/methods/selection_text.h"
#include "server_cases_a.h"

using namespace cot;
using cot::testing::cells;
using cot::testing::names;

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

class ProposalFilterTest : public cot::testing::DemoServerTest {
protected:
    ProposalFilterTest() : DemoServerTest({.prepare = prepare}) {}

    RpcResult run(const Criteria& c) { return server_.connection().call("GetPropostaAux", c.args()); }

    // The fixture numbers listed, as a set (the list order is checked once on its own).
    QSet<int> listed(const Criteria& c) {
        const Packet p = packet("GetPropostaAux", c.args());
        QSet<int> out;
        for (int i = 0; i < p.rows.size(); ++i) out.insert(p.value(i, "NRPROPOSFAS").toString().right(3).toInt());
        return out;
    }
    QString failure(const Criteria& c) { return run(c).error; }

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
    const Packet filtered = run({.branch = "0001"}).value.value<Packet>();
    const Packet plain = packet("GetProposta", {"0001", "T"});
    ASSERT_FALSE(plain.rows.isEmpty());
    EXPECT_EQ(filtered.fields, plain.fields);
    EXPECT_EQ(filtered.rows, plain.rows);
    EXPECT_EQ(filtered.value(0, "NRPROPOSFAS").toString(), "00000000000000000012") << "newest number first";
}

// The status each row shows, by fixture number.
QMap<int, QString> statuses(const Packet& p) {
    QMap<int, QString> out;
    for (int i = 0; i < p.rows.size(); ++i) out[p.value(i, "NRPROPOSFAS").toString().right(3).toInt()] = p.value(i, "IDSITUACAO").toString();
    return out;
}

TEST_P(ProposalFilterTest, StatusesCountCalendarDaysUntilValidity) {
    EXPECT_EQ(listed({.expired = "V"}), Set({1})) << "yesterday, even late in the day, is expired";
    EXPECT_EQ(listed({.expiring = "AV"}), Set({2, 3})) << "today (already past its hour) and ten days ahead are expiring";
    EXPECT_EQ(listed({.valid = "VA"}), Set({4, 7})) << "valid means more than ten days ahead: the green ones";
    EXPECT_EQ(listed({.valid = "VA", .expiring = "AV"}), Set({2, 3, 4, 7}));
    EXPECT_EQ(listed({.expired = "V", .valid = "VA", .expiring = "AV"}), Set({1, 2, 3, 4, 7}))
        << "every status given still leaves the accepted out";
    EXPECT_EQ(listed({.expired = "", .valid = "", .expiring = ""}), Set({1, 2, 3, 4, 5, 6, 7})) << "no status restricts nothing";
    // The codes read by value, in any case and position; anything else is refused.
    EXPECT_EQ(listed({.expired = " av "}), Set({2, 3}));
    EXPECT_EQ(failure({.expired = "X"}), "Situação de proposta inválida no filtro: \"X\".");
    // The status picture of each row agrees with the status it was listed under.
    const QMap<int, QString> status = statuses(run({}).value.value<Packet>());
    EXPECT_EQ(QStringList({status[1], status[2], status[3], status[4], status[5], status[6]}),
              QStringList({"X", "E", "E", "V", "A", "A"})) << "accepted wins over a validity gone by";
}

// Without a validity date an open proposal is expired, in the filter as in the list's
// pictures; accepted, it is left out by any status as every accepted one.
TEST_P(ProposalFilterTest, NoValidityDateIsExpiredUnlessAccepted) {
    for (const auto& [n, accepted] : {std::pair{8, QVariant()}, std::pair{9, QVariant(at(-2))}})
        server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, DSREFEPROPOSFAS, "
                          "DTPROPOSFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS) "
                          "VALUES (:NR, '01', :FILIAL, 'N', 'Sem validade', :CRIADA, :ACEITE, 'GERENTE', 'GERENTE', 'M')",
                          {{"NR", nr(n)}, {"FILIAL", kBranch}, {"CRIADA", at(-4)}, {"ACEITE", accepted}});
    EXPECT_EQ(listed({.expired = "V"}), Set({1, 8}));
    EXPECT_EQ(listed({.valid = "VA"}), Set({4, 7})) << "never among the green ones";
    EXPECT_EQ(listed({.valid = "VA", .expiring = "AV"}), Set({2, 3, 4, 7}));
    EXPECT_EQ(listed({.expired = "V", .valid = "VA", .expiring = "AV"}), Set({1, 2, 3, 4, 7, 8}));
    const QMap<int, QString> status = statuses(run({}).value.value<Packet>());
    EXPECT_EQ(QStringList({status.value(8), status.value(9)}), QStringList({"X", "A"}));
}

TEST_P(ProposalFilterTest, DateRangesAreInclusiveByCalendarDay) {
    EXPECT_EQ(listed({.createdFrom = kToday, .createdTo = kToday, .allCreated = ""}), Set({2})) << "registered today at 15:30";
    const QDateTime noon(kToday.addDays(-15), QTime(12, 0));
    EXPECT_EQ(listed({.createdFrom = noon, .createdTo = noon, .allCreated = ""}), Set({4}))
        << "a time in the arguments does not cut the day; 23:59:59 is inside";
    EXPECT_EQ(listed({.createdFrom = kToday.addDays(-35), .createdTo = kToday.addDays(-16), .allCreated = ""}), Set({1, 3, 5}));
    EXPECT_EQ(listed({.createdFrom = kToday.addDays(-35), .createdTo = kToday.addDays(-16)}).size(), 7)
        << "\"T\" ignores the dates that came along";

    EXPECT_EQ(listed({.approvedFrom = kToday.addDays(-11), .approvedTo = kToday.addDays(-11), .allApproved = ""}), Set({5}));
    EXPECT_EQ(listed({.approvedTo = kToday, .allApproved = ""}), Set({5, 6}))
        << "only the end given: open start; only accepted proposals have an approval date";

    EXPECT_EQ(listed({.validFrom = kToday.addDays(10), .validTo = kToday.addDays(10), .allValid = ""}), Set({3}));
    EXPECT_EQ(listed({.validFrom = kToday.addDays(-1), .validTo = kToday, .allValid = ""}), Set({1, 2}));
    EXPECT_EQ(listed({.validFrom = 0, .allValid = ""}).size(), 7) << "the desktop's empty date";
}

TEST_P(ProposalFilterTest, ContractCodesChooseTheKinds) {
    const std::pair<const char*, Set> cases[] = {
        {"T", {1, 2, 3, 4, 5, 6, 7}}, {"M", {1, 4, 5}},          {"S", {3}},          {"L", {2, 6, 7}},
        {"_M_S_", {1, 3, 4, 5}},      {"_M_L_", {1, 2, 4, 5, 6, 7}}, {"_L_S_", {2, 3, 6, 7}},
    };
    for (const auto& [code, expected] : cases) EXPECT_EQ(listed({.contract = code}), expected) << code;
    EXPECT_EQ(failure({.contract = "_M_X_"}), "Tipo de contrato inválido no filtro: \"_M_X_\".");
}

TEST_P(ProposalFilterTest, SelectionsAreBoundCodesNeverSql) {
    const QString alfa = "'11222333000181'", prospects = "'77888999000127','88999000000118'";
    EXPECT_EQ(listed({.clients = alfa}), Set({1, 5, 6}));
    EXPECT_EQ(listed({.clients = alfa, .prospects = prospects}), Set({1, 3, 4, 5, 6})) << "chosen clients or chosen prospects";
    EXPECT_EQ(listed({.prospects = prospects}), Set({3, 4}));
    EXPECT_EQ(listed({.prospects = prospects, .contacts = "'0000000004'"}), Set({3})) << "contacts restrict on their own";
    EXPECT_EQ(listed({.contacts = "'0000000001','0000000005'"}), Set({4, 5}));

    EXPECT_EQ(listed({.clients = "'O''BRIEN'"}), Set({7})) << "a doubled quote is a quote inside the code";
    EXPECT_EQ(listed({.clients = "'x'' OR ''1''=''1'"}), Set()) << "a code that looks like SQL is only a code";
    EXPECT_EQ(listed({.clients = "'x''); DELETE FROM PROPOSTAFAS; --'"}), Set());

    EXPECT_EQ(failure({.clients = "'1') OR (1=1"}), "Seleção de clientes inválida.");
    EXPECT_EQ(failure({.prospects = "77888999000127"}), "Seleção de prospects inválida.");
    EXPECT_EQ(failure({.contacts = "'0000000004',"}), "Seleção de contatos inválida.");
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE CDFILIAL = '0009'").toInt(), 7);
}

TEST_P(ProposalFilterTest, ReferenceOperatorAndCombinations) {
    EXPECT_EQ(listed({.reference = "IMPLANTAÇÃO"}), Set({7})) << "case-insensitive also beyond ASCII";
    EXPECT_EQ(listed({.reference = "  dias "}), Set({3, 4}));
    EXPECT_EQ(listed({.reference = "100%"}), Set()) << "wildcards are plain characters";
    EXPECT_EQ(listed({.op = "VENDEDOR"}), Set({1, 2, 5})) << "included or requested by the operator";
    EXPECT_EQ(listed({.op = "ASSIST"}), Set({4}));

    Criteria c{.clients = "'11222333000181','22333444000172','O''BRIEN'", .valid = "VA", .expiring = "AV",
               .contract = "_M_L_"};
    EXPECT_EQ(listed(c), Set({2, 7}));
    c.op = "GERENTE";
    c.allCreated = "";
    c.createdFrom = c.createdTo = kToday.addDays(-3);
    EXPECT_EQ(listed(c), Set({7}));
    c.branch = "0001";
    EXPECT_EQ(listed(c), Set()) << "only the given branch";
}

TEST_P(ProposalFilterTest, PickListsOfTheFilter) {
    const Packet clients = packet("GetPesqCliente"), prospects = packet("GetPesqProspect"), contacts = packet("GetPesqCont");
    EXPECT_EQ(names(clients), QStringList({"IDMARCADO", "IDCLIENPROSP", "CDFILIAL", "CDCLIENTE", "NRINSJURCLIE",
                                           "NMFANTCLIE", "IDTPIJURCLIE", "NMRAZSOCCLIE"}));
    EXPECT_EQ(names(contacts), QStringList({"IDCLIENPROSP", "IDMARCADO", "CDFILIAL", "NRCONTATO", "DSREFECONT"}));
    EXPECT_EQ(std::tuple(clients.fields[0].type, clients.fields[3].size, prospects.fields[3].name, contacts.fields[3].size),
              std::tuple(FieldType::FixedString, 21, QString("CDPROSPECT"), 10));
    EXPECT_EQ(QList<qsizetype>({clients.rows.size(), prospects.rows.size(), contacts.rows.size()}), QList<qsizetype>({8, 4, 6}));
    // By name, nothing marked yet; Daniel Nunes is a prospect's contact.
    EXPECT_EQ(cells(clients, 0, {"NMFANTCLIE", "IDCLIENPROSP"}) + cells(prospects, 0, {"NMFANTPROS", "IDCLIENPROSP"}) +
                  cells(contacts, 0, {"DSREFECONT"}) + cells(contacts, 3, {"IDCLIENPROSP"}),
              QStringList({"Alfa Sistemas", "C", "Delta Engenharia", "P", "Ana Paula - Compras Alfa", "P"}));
    EXPECT_TRUE(clients.value(0, "IDMARCADO").toString().trimmed().isEmpty());
}

COT_ON_EVERY_BACKEND(ProposalFilterTest);

}  // namespace
