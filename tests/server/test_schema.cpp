#include <QDateTime>

#include "data/packet_json_reader.h"
#include "server/methods/proposal_list.h"
#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "services/installment_schedule.h"
#include "base/clock.h"
#include "server/storage/database.h"
#include "server_cases_b.h"

using namespace cot;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0));

// The demo data on a migrated throw-away database, with "today" fixed.
class SchemaTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        Clock::setCurrent(std::make_shared<FixedClock>(kNow));
        scratch_ = std::make_unique<ScratchDatabase>(GetParam());
        migrate(db());
        seedDemo(db());
    }
    void TearDown() override { Clock::setCurrent(nullptr); }
    Database& db() { return scratch_->db(); }
    QStringList column(const QString& sql, const QVariantMap& params, const char* name) {
        return cot::testing::column(db().query(sql, params), name);
    }
    std::unique_ptr<ScratchDatabase> scratch_;
};

TEST_P(SchemaTest, MigrationsAndSeedRunOnceOnly) {
    migrate(db());
    seedDemo(db());
    const auto count = [&](const char* sql) { return db().scalar(sql).toInt(); };
    EXPECT_EQ((QList<int>{count("SELECT COUNT(*) FROM SCHEMA_VERSION"), count("SELECT MAX(VERSION) FROM SCHEMA_VERSION"),
                          count("SELECT COUNT(*) FROM PROPOSTAFAS"), count("SELECT COUNT(*) FROM FILIAL")}),
              (QList<int>{latestSchemaVersion(), latestSchemaVersion(), 16, 2}));
}

// An office's own registers (imported, no proposals yet) never get demo proposals that
// would point at clients and operators it does not have.
TEST(DemoSeed, ADatabaseWithItsOwnRegistersGetsNoDemo) {
    ScratchDatabase scratch("sqlite");
    migrate(scratch.db());
    scratch.db().exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0900', 'Escritório')");
    seedDemo(scratch.db());
    EXPECT_EQ(scratch.db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS").toInt(), 0);
    EXPECT_EQ(scratch.db().scalar("SELECT COUNT(*) FROM FILIAL").toInt(), 1);
}

TEST_P(SchemaTest, NvlstrTreatsNullAndEmptyAlike) {
    const Packet p = db().query("SELECT NVLSTR(NULL, 'b') AS A, NVLSTR('', 'b') AS B, NVLSTR('a', 'b') AS C, "
                                "NVLSTR(NMFANTCLIE, 'x') AS D FROM CLIENTE WHERE CDCLIENTE = '11222333000181'");
    EXPECT_EQ(cot::testing::cells(p, 0, {"A", "B", "C", "D"}), (QStringList{"b", "b", "a", "Alfa Sistemas"}));
}

// The desktop's own queries run unchanged, as written in its screens.
TEST_P(SchemaTest, HostLookupQueriesRunUnchanged) {
    const QString grupo = "SELECT OP.CDOPERADOR\n FROM AUTGRUPOP AU, OPERGRUPOP OP\nWHERE AU.IDAUTGRUPOP = 'PROP'\n"
                          "  AND OP.CDGRUPOPER = AU.CDGRUPOPER\n  AND OP.CDOPERADOR = :P_CDOPERADOR";
    EXPECT_EQ(column(grupo, {{"P_CDOPERADOR", "VENDEDOR"}}, "CDOPERADOR"), QStringList{"VENDEDOR"});
    EXPECT_TRUE(column(grupo, {{"P_CDOPERADOR", "ASSIST"}}, "CDOPERADOR").isEmpty());

    const QString operSoli = "SELECT\n   CDOPERADOR,\n   NMOPERADOR\nFROM\n   OPERADOR\nWHERE\n"
                             "   ((CDOPERADOR = :P_CDOPERADOR) OR ('T' = :P_TCDOPERADOR)) AND\n   IDOPERATIVO = 'A'\n"
                             "ORDER BY\n   CDOPERADOR";
    EXPECT_EQ(column(operSoli, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}, "CDOPERADOR"),
              (QStringList{"ASSIST", "GERENTE", "VENDEDOR"}));  // the inactive operator is left out
    const Packet soli = db().query(operSoli, {{"P_CDOPERADOR", "GERENTE"}, {"P_TCDOPERADOR", ""}});
    ASSERT_EQ(soli.rows.size(), 1);
    EXPECT_EQ(soli.value(0, "NMOPERADOR").toString(), "Gerente Comercial");
    EXPECT_EQ(soli.fields[0], (FieldDef{"CDOPERADOR", FieldType::String, 12}));

    QString operResp = "SELECT\n   OP.CDOPERADOR, OP.NMOPERADOR\nFROM\n   OPERADOR OP, AUTGRUPOP AG, OPERGRUPOP OG\n"
                       "WHERE\n   ((OP.CDOPERADOR  = :P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) AND\n"
                       "   (AG.IDAUTGRUPOP = 'PROP'       ) AND\n   (AG.CDGRUPOPER  = OG.CDGRUPOPER) AND\n"
                       "   (OP.CDOPERADOR  = OG.CDOPERADOR)\nORDER BY CDOPERADOR";
    if (db().dialect() == Dialect::Sqlite) {
        // SQLite matches an ORDER BY name against the joined tables, not the result columns,
        // so the bare name is ambiguous there (both OPERADOR and OPERGRUPOP carry it).
        EXPECT_THROW(db().query(operResp, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}), DatabaseError);
        operResp.replace("ORDER BY CDOPERADOR", "ORDER BY OP.CDOPERADOR");
    }
    EXPECT_EQ(column(operResp, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}, "CDOPERADOR"),
              (QStringList{"GERENTE", "VENDEDOR"}));
    EXPECT_TRUE(column(operResp, {{"P_CDOPERADOR", "ASSIST"}, {"P_TCDOPERADOR", ""}}, "CDOPERADOR").isEmpty());

    const QString cliente = "SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,\n       NRMESREAJCLIE, NMRAZSOCCLIE\n"
                            "  FROM CLIENTE\n WHERE ((CDCLIENTE = :P_CDCLIENTE) OR ('T' = :P_TCDCLIENTE))\n ORDER BY NMFANTCLIE";
    const QStringList clients = column(cliente, {{"P_CDCLIENTE", ""}, {"P_TCDCLIENTE", "T"}}, "NMFANTCLIE");
    EXPECT_GE(clients.size(), 6);
    EXPECT_EQ(clients.first(), "Alfa Sistemas");
    const Packet kappa = db().query(cliente, {{"P_CDCLIENTE", "66777888000136"}, {"P_TCDCLIENTE", ""}});
    ASSERT_EQ(kappa.rows.size(), 1);
    EXPECT_TRUE(kappa.value(0, "NRMESREAJCLIE").isNull());

    const QString clieIns = " SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,\n       NRMESREAJCLIE\n  FROM CLIENTE\n"
                            " WHERE (NRINSJURCLIE = :P_NRINSJURCLIE)\n ORDER BY NMFANTCLIE";
    EXPECT_EQ(column(clieIns, {{"P_NRINSJURCLIE", "12345678909"}}, "IDTPIJURCLIE"), QStringList{"F"});

    const QString prospect = "SELECT NMFANTPROS, NRINSJURPROS, IDTPIJURPROS, CDPROSPECT, NMRAZSOCPROS\n  FROM PROSPECT\n"
                             " WHERE ((NRINSJURPROS = :P_NRINSJURPROS) OR ('T' = :P_TNRINSJURPROS))\n ORDER BY NMFANTPROS";
    EXPECT_GE(column(prospect, {{"P_NRINSJURPROS", ""}, {"P_TNRINSJURPROS", "T"}}, "CDPROSPECT").size(), 4);
    EXPECT_EQ(column(prospect, {{"P_NRINSJURPROS", "77888999000127"}, {"P_TNRINSJURPROS", ""}}, "NMFANTPROS"),
              QStringList{"Delta Engenharia"});

    const QString vdCliente = "SELECT CL.IDTPIJURCLIE, CL.NRINSJURCLIE, CL.CDCLIENTE, CL.NMFANTCLIE, CL.NMRAZSOCCLIE\n"
                              "FROM CLIENTE CL\nWHERE (CL.NRINSJURCLIE = :P_NRINSJURCLIE)\nAND (CL.IDTPIJURCLIE = :P_IDTPIJURCLIE)";
    EXPECT_EQ(column(vdCliente, {{"P_NRINSJURCLIE", "11222333000181"}, {"P_IDTPIJURCLIE", "J"}}, "CDCLIENTE").size(), 1);
    EXPECT_TRUE(column(vdCliente, {{"P_NRINSJURCLIE", "11222333000181"}, {"P_IDTPIJURCLIE", "F"}}, "CDCLIENTE").isEmpty());

    const QString servico = "SELECT CDTIPOSERV, NMTIPOSERV FROM TIPOSERV WHERE ((:P_CDTIPOSERV = CDTIPOSERV) OR "
                            "(:P_TCDTIPOSERV = 'T')) ORDER BY CDTIPOSERV";
    EXPECT_GE(column(servico, {{"P_CDTIPOSERV", ""}, {"P_TCDTIPOSERV", "T"}}, "CDTIPOSERV").size(), 5);
    EXPECT_EQ(column(servico, {{"P_CDTIPOSERV", "002"}, {"P_TCDTIPOSERV", ""}}, "NMTIPOSERV"),
              QStringList{"Treinamento de usuários"});
}

TEST_P(SchemaTest, HostIndexAndMailQueriesRunUnchanged) {
    const QString indice = "SELECT\n   CDINDICE||CDTPINDICE AS CDCHAVE, CDTPINDICE,  IDPERVALOR, CDINDICE, \n"
                           "   SGINDICE, NMINDICE, DTULTATUINDI\nFROM \n   INDICE\nWHERE\n"
                           "   ((CDINDICE = :P_CDINDICE) OR ('T' = :P_TCDINDICE))\nORDER BY\n   CDINDICE";
    const Packet all = db().query(indice, {{"P_CDINDICE", ""}, {"P_TCDINDICE", "T"}});
    EXPECT_GE(all.rows.size(), 4);
    EXPECT_EQ(all.value(0, "CDCHAVE").toString().left(4), "0001");
    EXPECT_EQ(all.fields[all.indexOf("DTULTATUINDI")].type, FieldType::DateTime);
    EXPECT_EQ(all.value(0, "DTULTATUINDI").toDateTime().date(), kNow.date().addDays(-15));
    const QString verif = "SELECT\n   CDINDICE||CDTPINDICE AS CDCHAVE, CDTPINDICE,  IDPERVALOR, CDINDICE, \n"
                          "   SGINDICE, NMINDICE, DTULTATUINDI\nFROM \n   INDICE\nWHERE\n"
                          "   (CDINDICE = :P_CDINDICE) AND (CDTPINDICE = :P_CDTPINDICE)\nORDER BY\n   CDINDICE";
    EXPECT_EQ(column(verif, {{"P_CDINDICE", "0002"}, {"P_CDTPINDICE", "M"}}, "CDCHAVE"), QStringList{"0002M"});
    EXPECT_TRUE(column(verif, {{"P_CDINDICE", "0002"}, {"P_CDTPINDICE", "A"}}, "CDCHAVE").isEmpty());

    const QString filial = "SELECT\n   ED.CDFILIAL,\n   ED.DSEMAILFILI,\n   ED.CDSENHEMAILF,\n   ED.DSSMTPEMAILF,\n"
                           "   FI.NMFILIAL\nFROM\n   ENDEFILI ED, FILIAL FI\nWHERE\n    ED.CDFILIAL = :P_CDFILIAL\n"
                           "AND ED.IDTPENDEFILI = 'P'\nAND ED.CDFILIAL = FI.CDFILIAL";
    const Packet mail = db().query(filial, {{"P_CDFILIAL", "0002"}});
    ASSERT_EQ(mail.rows.size(), 1);
    EXPECT_EQ(mail.value(0, "NMFILIAL").toString(), "Filial Rio de Janeiro");
    EXPECT_FALSE(mail.value(0, "DSEMAILFILI").toString().isEmpty());

    const QString sender = "SELECT NVLSTR(DSEMAILOPER, 'contratos@demo.local') AS DSEMAILOPER FROM OPERADOR "
                           "WHERE CDOPERADOR = :P_CDOPERADOR";
    EXPECT_EQ(column(sender, {{"P_CDOPERADOR", "VENDEDOR"}}, "DSEMAILOPER"), QStringList{"vendedor@demo.local"});
    EXPECT_EQ(column(sender, {{"P_CDOPERADOR", "ASSIST"}}, "DSEMAILOPER"), QStringList{"contratos@demo.local"});
}

TEST_P(SchemaTest, DemoProposalsCoverEveryStatusAndKind) {
    QByteArray text;
    proposalList(db(), "P.CDFILIAL = :F", {{"F", "0001"}}).writeTo(text);
    const Packet list = packetFromJsonText(text);
    ASSERT_GE(list.rows.size(), 12);
    QSet<QString> statuses, contracts, parties, requests;
    for (int r = 0; r < list.rows.size(); ++r) {
        statuses << list.value(r, "IDSITUACAO").toString();
        contracts << list.value(r, "IDTIPOPROPFAS").toString();
        parties << list.value(r, "IDCLIENPROSP").toString();
        requests << list.value(r, "IDSOLPROPFAS").toString();
        EXPECT_FALSE(list.value(r, "NOME").toString().isEmpty()) << r;
    }
    EXPECT_EQ((QList<QSet<QString>>{statuses, contracts, parties, requests}),
              (QList<QSet<QString>>{{"A", "V", "E", "X"}, {"M", "L", "S"}, {"C", "P"}, {"S", "N"}}));
    EXPECT_GE(db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", list.value(0, "NRPROPOSFAS")}})
                  .toInt(), 1);
    EXPECT_EQ(db().scalar("SELECT MAX(C) FROM (SELECT COUNT(*) AS C FROM PROPOSTAFAS GROUP BY NRPROPOSFAS) V").toInt(), 3);
    for (const char* table : {"LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP", "TXTPROPFAS",
                              "OBSPROPFAS", "OBJSERVPROP", "SIMULAPROP", "SIMULALINP", "LINPCLIE", "COBRPROP"})
        EXPECT_GT(db().scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0) << table;
    // Demo passwords follow the stored form the sign-in checks.
    EXPECT_TRUE(db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'GERENTE'").toString()
                    .startsWith("sha256:"));
}

// Every demo line's licence installments pass the screen's sum check, so the first edit
// of a demo proposal is not refused for a schedule the demo itself wrote.
TEST_P(SchemaTest, DemoSchedulesAddUpToTheirLineTotals) {
    const long double rate = db().scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble();
    const Packet lines = db().query("SELECT NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
                                    "QTMINIMAFATPROP FROM LINPPROP");
    int schedules = 0;
    for (int r = 0; r < lines.rows.size(); ++r) {
        const Packet installments = db().query(
            "SELECT VRVELUSOPEDP FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V AND CDLINPPROP = :L",
            {{"N", lines.value(r, "NRPROPOSFAS")}, {"V", lines.value(r, "NRVERPROPFAS")}, {"L", lines.value(r, "CDLINPPROP")}});
        std::vector<double> values;
        for (const QVariantList& row : installments.rows) values.push_back(row[0].toDouble());
        if (values.empty()) continue;
        ++schedules;
        const long double total = (static_cast<long double>(lines.value(r, "VRLICENCUSOPROP").toDouble()) -
                                   lines.value(r, "VRDESLICUSOPROP").toDouble()) *
                                  lines.value(r, "QTMINIMAFATPROP").toDouble();
        EXPECT_TRUE(scheduleAddsUp(values, total, rate))
            << lines.value(r, "NRPROPOSFAS").toString().toStdString() << " linha "
            << lines.value(r, "CDLINPPROP").toString().toStdString() << ": " << values.size() << " parcelas para "
            << static_cast<double>(scheduleSum(total, rate, int(values.size())));
    }
    EXPECT_GT(schedules, 10);
}

TEST_P(SchemaTest, ChildrenFollowTheProposalKey) {
    const QString nr = "00000000000000000002";
    const auto count = [&](const char* table, const char* version) {
        return db().scalar(QString("SELECT COUNT(*) FROM %1 WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V").arg(table),
                           {{"N", nr}, {"V", version}}).toInt();
    };
    const int lines = count("LINPPROP", "01"), installments = count("VENCLINPPROP", "01");
    ASSERT_GT(lines, 0);
    db().exec("UPDATE PROPOSTAFAS SET NRVERPROPFAS = '05' WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = '01'", {{"N", nr}});
    EXPECT_EQ((QList<int>{count("LINPPROP", "05"), count("VENCLINPPROP", "05"), count("SIMULALINP", "05"),
                          count("LINPPROP", "01")}),
              (QList<int>{lines, installments, 3, 0}));

    db().exec("DELETE FROM PROPOSTAFAS WHERE NRPROPOSFAS = :N", {{"N", nr}});
    for (const char* table : {"LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP", "TXTPROPFAS",
                              "OBSPROPFAS", "OBJSERVPROP", "SIMULAPROP", "SIMULALINP"})
        EXPECT_EQ(count(table, "05"), 0) << table;
    // A line must belong to an existing proposal.
    EXPECT_THROW(db().exec("INSERT INTO LINPPROP (NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP) VALUES ('9', '01', '1')"),
                 DatabaseError);
}

COT_ON_EVERY_ENGINE(SchemaTest);

TEST(ProposalStatusRule, CountsCalendarDaysAndAcceptanceWins) {
    const QDate today(2026, 12, 6);
    const auto at = [&](int days, int hour = 0) { return QDateTime(today.addDays(days), QTime(hour, 0)); };
    // Earlier today still counts as today; no validity date is expired.
    EXPECT_EQ((QStringList{proposalStatus({}, at(-1, 23), today), proposalStatus({}, at(0), today),
                           proposalStatus({}, at(10), today), proposalStatus({}, at(11), today),
                           proposalStatus(at(-3), at(-30), today), proposalStatus({}, {}, today)}),
              (QStringList{"X", "E", "E", "V", "A", "X"}));
}

}  // namespace
