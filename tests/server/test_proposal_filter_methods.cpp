// The proposal list with the filter's criteria, over fixture proposals whose dates sit
// at known distances from the fixed clock (2026-12-06 10:00), on both engines.
#include <QSet>

#include "server/methods/selection_text.h"
#include "server_cases_a.h"

using namespace cot;
using namespace cot::testing;

namespace {

const QString kBranch = "0009";
const QDate kToday(2026, 12, 6);

QString nr(int n) { return QStringLiteral("9%1").arg(n, 19, 10, QLatin1Char('0')); }
QDateTime at(int days, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(kToday.addDays(days), QTime(hour, minute, second));
}

struct Fixture {
    int n; const char* contract; QVariant client, prospect, contact, created, validUntil, accepted;
    const char *including, *requesting, *reference;
};

// 1 expired yesterday; 2 expires today; 3 in ten days (late in the day); 4 in eleven;
// 5 accepted and still valid; 6 accepted and past its validity; 7 a client whose code
// holds a quote, valid for long.
const Fixture kFixtures[] = {
    {1, "M", "11222333000181", {}, {}, at(-35, 15, 30), at(-1, 23, 59, 59), {}, "VENDEDOR", "VENDEDOR", "Expirou ontem"},
    {2, "L", "22333444000172", {}, {}, at(0, 15, 30), at(0, 8), {}, "GERENTE", "VENDEDOR", "Vence hoje"},
    {3, "S", {}, "77888999000127", "0000000004", at(-16), at(10, 18), {}, "GERENTE", "GERENTE", "Dez dias"},
    {4, "M", {}, "88999000000118", "0000000005", at(-15, 23, 59, 59), at(11), {}, "ASSIST", "ASSIST", "Onze dias"},
    {5, "M", "11222333000181", {}, "0000000001", at(-20), at(30), at(-11, 14), "VENDEDOR", "GERENTE", "Aceita válida"},
    {6, "L", "11222333000181", {}, {}, at(-60), at(-5), at(-30), "GERENTE", "GERENTE", "Aceita vencida"},
    {7, "L", "O'BRIEN", {}, {}, at(-3), at(40), {}, "GERENTE", "GERENTE", "Implantação do módulo fiscal"},
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
                {{"NR", nr(f.n)}, {"FILIAL", kBranch}, {"KIND", f.client.isNull() ? "P" : "C"}, {"CLI", f.client},
                 {"PRO", f.prospect}, {"CON", f.contact}, {"REF", QString::fromUtf8(f.reference)}, {"CRIADA", f.created},
                 {"VALIDADE", f.validUntil}, {"ACEITE", f.accepted}, {"INCL", f.including}, {"SOLI", f.requesting},
                 {"CONTRATO", f.contract}});
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

    RpcResult run(const Criteria& c) { return call("GetPropostaAux", c.args()); }

    // The fixture numbers listed, as a set (the list order is checked once on its own).
    QSet<int> listed(const Criteria& c) {
        const Packet p = packet("GetPropostaAux", c.args());
        QSet<int> out;
        for (int i = 0; i < p.rows.size(); ++i) out.insert(p.value(i, "NRPROPOSFAS").toString().right(3).toInt());
        return out;
    }
};

using Set = QSet<int>;

TEST(SelectionText, ParsesQuotedCodesAndRefusesAnythingElse) {
    using cot::parseSelectionText;
    EXPECT_EQ(QList<std::optional<QStringList>>({parseSelectionText("'000001','000007'"), parseSelectionText("'A''B' , 'C'"),
                                                 parseSelectionText("''"), parseSelectionText("  ")}),
              QList<std::optional<QStringList>>(
                  {QStringList({"000001", "000007"}), QStringList({"A'B", "C"}), QStringList({""}), QStringList()}));
    for (const char* bad : {"000001", "'000001", "'a',", "'a',,'b'", "'a' 'b'", "'a'x", ",'a'", "'a'); DROP TABLE X; --"})
        EXPECT_FALSE(parseSelectionText(bad).has_value()) << bad;

    QVariantMap params;
    EXPECT_EQ(server::inCondition("P.CDCLIENTE", {"x' OR '1'='1", "b"}, "CLI", params), "P.CDCLIENTE IN (:CLI0, :CLI1)");
    EXPECT_EQ(params.value("CLI0").toString(), "x' OR '1'='1");
}

// The status each row shows, by fixture number.
QMap<int, QString> statuses(const Packet& p) {
    QMap<int, QString> out;
    for (int i = 0; i < p.rows.size(); ++i)
        out[p.value(i, "NRPROPOSFAS").toString().right(3).toInt()] = p.value(i, "IDSITUACAO").toString();
    return out;
}

TEST_P(ProposalFilterTest, StatusesCountCalendarDaysUntilValidity) {
    // Yesterday, even late in the day, is expired; today (already past its hour) and ten
    // days ahead are expiring; valid means more than ten days ahead: the green ones. Every
    // status given still leaves the accepted out; no status restricts nothing.
    const Criteria all{.expired = "V", .valid = "VA", .expiring = "AV"};
    EXPECT_EQ(QList<Set>({listed({.expired = "V"}), listed({.expiring = "AV"}), listed({.valid = "VA"}),
                          listed({.valid = "VA", .expiring = "AV"}), listed(all), listed({.expired = "", .valid = "", .expiring = ""})}),
              QList<Set>({{1}, {2, 3}, {4, 7}, {2, 3, 4, 7}, {1, 2, 3, 4, 7}, {1, 2, 3, 4, 5, 6, 7}}));
    // The codes read by value, in any case and position; anything else is refused.
    EXPECT_EQ(listed({.expired = " av "}), Set({2, 3}));
    EXPECT_EQ(run({.expired = "X"}).error, "Situação de proposta inválida no filtro: \"X\".");
    // The status picture of each row agrees with the status it was listed under; accepted
    // wins over a validity gone by.
    QMap<int, QString> status = statuses(run({}).value.value<Packet>());
    EXPECT_EQ(QStringList({status[1], status[2], status[3], status[4], status[5], status[6]}),
              QStringList({"X", "E", "E", "V", "A", "A"}));

    // Without a validity date an open proposal (8) is expired, in the filter as in the
    // pictures, never among the green ones; accepted (9), it is left out by any status.
    for (const auto& [n, accepted] : {std::pair{8, QVariant()}, std::pair{9, QVariant(at(-2))}})
        server_.db().exec("INSERT INTO PROPOSTAFAS (NRPROPOSFAS, NRVERPROPFAS, CDFILIAL, IDSOLPROPFAS, DSREFEPROPOSFAS, "
                          "DTPROPOSFAS, DTACEPROPFAS, CDOPERINCL, CDOPERSOLI, IDTIPOPROPFAS) "
                          "VALUES (:NR, '01', :FILIAL, 'N', 'Sem validade', :CRIADA, :ACEITE, 'GERENTE', 'GERENTE', 'M')",
                          {{"NR", nr(n)}, {"FILIAL", kBranch}, {"CRIADA", at(-4)}, {"ACEITE", accepted}});
    EXPECT_EQ(QList<Set>({listed({.expired = "V"}), listed({.valid = "VA"}), listed({.valid = "VA", .expiring = "AV"}), listed(all)}),
              QList<Set>({{1, 8}, {4, 7}, {2, 3, 4, 7}, {1, 2, 3, 4, 7, 8}}));
    status = statuses(run({}).value.value<Packet>());
    EXPECT_EQ(QStringList({status.value(8), status.value(9)}), QStringList({"X", "A"}));
}

TEST_P(ProposalFilterTest, DateRangesAreInclusiveByCalendarDay) {
    // 2 registered today at 15:30; a time in the arguments does not cut the day (4 at
    // 23:59:59 is inside); "T" ignores the dates that came along.
    const QDateTime noon(kToday.addDays(-15), QTime(12, 0));
    EXPECT_EQ(QList<Set>({listed({.createdFrom = kToday, .createdTo = kToday, .allCreated = ""}),
                          listed({.createdFrom = noon, .createdTo = noon, .allCreated = ""}),
                          listed({.createdFrom = kToday.addDays(-35), .createdTo = kToday.addDays(-16), .allCreated = ""}),
                          listed({.createdFrom = kToday.addDays(-35), .createdTo = kToday.addDays(-16)})}),
              QList<Set>({{2}, {4}, {1, 3, 5}, {1, 2, 3, 4, 5, 6, 7}}));
    // Only the end given: open start; only accepted proposals have an approval date. A 0 is
    // the desktop's empty date.
    EXPECT_EQ(QList<Set>({listed({.approvedFrom = kToday.addDays(-11), .approvedTo = kToday.addDays(-11), .allApproved = ""}),
                          listed({.approvedTo = kToday, .allApproved = ""}),
                          listed({.validFrom = kToday.addDays(10), .validTo = kToday.addDays(10), .allValid = ""}),
                          listed({.validFrom = kToday.addDays(-1), .validTo = kToday, .allValid = ""}),
                          listed({.validFrom = 0, .allValid = ""})}),
              QList<Set>({{5}, {5, 6}, {3}, {1, 2}, {1, 2, 3, 4, 5, 6, 7}}));
}

TEST_P(ProposalFilterTest, ContractCodesChooseTheKinds) {
    const std::pair<const char*, Set> cases[] = {
        {"T", {1, 2, 3, 4, 5, 6, 7}}, {"M", {1, 4, 5}},          {"S", {3}},          {"L", {2, 6, 7}},
        {"_M_S_", {1, 3, 4, 5}},      {"_M_L_", {1, 2, 4, 5, 6, 7}}, {"_L_S_", {2, 3, 6, 7}},
    };
    for (const auto& [code, expected] : cases) EXPECT_EQ(listed({.contract = code}), expected) << code;
    EXPECT_EQ(run({.contract = "_M_X_"}).error, "Tipo de contrato inválido no filtro: \"_M_X_\".");

    // Open criteria list the whole branch (above, "T"); on the demo branch the result is
    // exactly GetProposta's: same fields, rows, order.
    const Packet filtered = run({.branch = "0001"}).value.value<Packet>();
    const Packet plain = packet("GetProposta", {"0001", "T"});
    ASSERT_FALSE(plain.rows.isEmpty());
    EXPECT_TRUE(filtered.fields == plain.fields && filtered.rows == plain.rows);
    EXPECT_EQ(filtered.value(0, "NRPROPOSFAS").toString(), "00000000000000000012") << "newest number first";
}

TEST_P(ProposalFilterTest, SelectionsAreBoundCodesNeverSql) {
    const QString alfa = "'11222333000181'", prospects = "'77888999000127','88999000000118'";
    // Chosen clients or chosen prospects; contacts restrict on their own. A doubled quote is a
    // quote inside the code; a code that looks like SQL is only a code.
    EXPECT_EQ(QList<Set>({listed({.clients = alfa}), listed({.clients = alfa, .prospects = prospects}),
                          listed({.prospects = prospects}), listed({.prospects = prospects, .contacts = "'0000000004'"}),
                          listed({.contacts = "'0000000001','0000000005'"}), listed({.clients = "'O''BRIEN'"}),
                          listed({.clients = "'x'' OR ''1''=''1'"}), listed({.clients = "'x''); DELETE FROM PROPOSTAFAS; --'"})}),
              QList<Set>({{1, 5, 6}, {1, 3, 4, 5, 6}, {3, 4}, {3}, {4, 5}, {7}, {}, {}}));
    EXPECT_EQ(QStringList({run({.clients = "'1') OR (1=1"}).error, run({.prospects = "77888999000127"}).error,
                           run({.contacts = "'0000000004',"}).error}),
              QStringList({"Seleção de clientes inválida.", "Seleção de prospects inválida.", "Seleção de contatos inválida."}));
    EXPECT_EQ(server_.db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE CDFILIAL = '0009'").toInt(), 7);

    // The reference, the operator and the criteria combined.
    // Case-insensitive also beyond ASCII, wildcards as plain characters; the operator who
    // included or requested it.
    EXPECT_EQ(QList<Set>({listed({.reference = "IMPLANTAÇÃO"}), listed({.reference = "  dias "}), listed({.reference = "100%"}),
                          listed({.op = "VENDEDOR"}), listed({.op = "ASSIST"})}), QList<Set>({{7}, {3, 4}, {}, {1, 2, 5}, {4}}));

    Criteria c{.clients = "'11222333000181','22333444000172','O''BRIEN'", .valid = "VA", .expiring = "AV", .contract = "_M_L_"};
    const Set both = listed(c);
    c.op = "GERENTE", c.allCreated = "", c.createdFrom = c.createdTo = kToday.addDays(-3);
    const Set gerentes = listed(c);
    c.branch = "0001";  // only the given branch
    EXPECT_EQ(QList<Set>({both, gerentes, listed(c)}), QList<Set>({{2, 7}, {7}, {}}));

    // The pick lists the selections are made from.
    const Packet clients = packet("GetPesqCliente"), prospectList = packet("GetPesqProspect"), contacts = packet("GetPesqCont");
    EXPECT_EQ(names(clients), QStringList({"IDMARCADO", "IDCLIENPROSP", "CDFILIAL", "CDCLIENTE", "NRINSJURCLIE",
                                           "NMFANTCLIE", "IDTPIJURCLIE", "NMRAZSOCCLIE"}));
    EXPECT_EQ(names(contacts), QStringList({"IDCLIENPROSP", "IDMARCADO", "CDFILIAL", "NRCONTATO", "DSREFECONT"}));
    EXPECT_EQ(std::tuple(clients.fields[0].type, clients.fields[3].size, prospectList.fields[3].name, contacts.fields[3].size),
              std::tuple(FieldType::FixedString, 21, QString("CDPROSPECT"), 10));
    EXPECT_EQ(QList<qsizetype>({clients.rows.size(), prospectList.rows.size(), contacts.rows.size()}), QList<qsizetype>({8, 4, 6}));
    // By name, nothing marked yet; Daniel Nunes is a prospect's contact.
    EXPECT_EQ(cells(clients, 0, {"NMFANTCLIE", "IDCLIENPROSP"}) + cells(prospectList, 0, {"NMFANTPROS", "IDCLIENPROSP"}) +
                  cells(contacts, 0, {"DSREFECONT"}) + cells(contacts, 3, {"IDCLIENPROSP"}),
              QStringList({"Alfa Sistemas", "C", "Delta Engenharia", "P", "Ana Paula - Compras Alfa", "P"}));
    EXPECT_TRUE(clients.value(0, "IDMARCADO").toString().trimmed().isEmpty());
}

COT_ON_EVERY_BACKEND(ProposalFilterTest);

}  // namespace
