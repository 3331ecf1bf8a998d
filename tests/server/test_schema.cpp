// The schema and the demo data: migrations and the seed run once, a database of an earlier
// release brought up to date keeping every row, a newer one refused untouched; the host's
// queries run unchanged on it, and the demo data is what the screens and rules start from.
#include "data/packet_json_reader.h"
#include "server/methods/proposal_list.h"
#include "server/migrations/migrations.h"
#include "server/seed/demo_seed.h"
#include "services/installment_schedule.h"
#include "services/money.h"
#include "base/clock.h"
#include "deal_cases.h"
#include "server_cases_b.h"
#include "support/qt_printers.h"

using namespace cot;
using namespace cot::server;
using cot::server::testing::ScratchDatabase;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(10, 0));

// An empty throw-away database of the engine, with "today" fixed.
class Upgrade : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { Clock::setCurrent(std::make_shared<FixedClock>(kNow)); }
    void TearDown() override { Clock::setCurrent(nullptr); }
    Database& db() { return scratch_.db(); }
    std::map<QString, int> rowsPerTable() {
        const QString tables = db().dialect() == Dialect::Sqlite
                                   ? "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"
                                   : "SELECT UPPER(table_name) FROM information_schema.tables WHERE table_schema = current_schema()";
        std::map<QString, int> out;
        for (const QVariantList& row : db().query(tables).rows)
            out[row.value(0).toString()] = db().scalar("SELECT COUNT(*) FROM " + row.value(0).toString()).toInt();
        return out;
    }
    // Every table of `before` still has its rows (the schema's own record of versions aside).
    static void expectRowsKept(const std::map<QString, int>& before, const std::map<QString, int>& after) {
        for (const auto& [table, rows] : before)
            EXPECT_TRUE(table == "SCHEMA_VERSION" || after.at(table) == rows) << table.toStdString() << ": " << rows;
    }
    ScratchDatabase scratch_{GetParam()};
};

// The demo data on the latest schema.
class SchemaTest : public Upgrade {
protected:
    void SetUp() override {
        Upgrade::SetUp();
        migrate(db());
        seedDemo(db());
    }
};

// An office's own registers (imported, no proposals yet) never get demo proposals that
// would point at clients and operators it does not have.
TEST(DemoSeed, ADatabaseWithItsOwnRegistersGetsNoDemo) {
    ScratchDatabase scratch("sqlite");
    migrate(scratch.db());
    scratch.db().exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0900', 'Escritório')");
    seedDemo(scratch.db());
    EXPECT_EQ(scratch.db().scalar("SELECT (SELECT COUNT(*) FROM PROPOSTAFAS) + (SELECT COUNT(*) FROM FILIAL)").toInt(), 1);
}

// The desktop's own queries run unchanged, as written in its screens: each with its
// parameters and the named cells of every row it answers ("|" between cells).
TEST_P(SchemaTest, HostQueriesRunUnchanged) {
    const QString grupo = "SELECT OP.CDOPERADOR\n FROM AUTGRUPOP AU, OPERGRUPOP OP\nWHERE AU.IDAUTGRUPOP = 'PROP'\n"
                          "  AND OP.CDGRUPOPER = AU.CDGRUPOPER\n  AND OP.CDOPERADOR = :P_CDOPERADOR";
    const QString operSoli = "SELECT\n   CDOPERADOR,\n   NMOPERADOR\nFROM\n   OPERADOR\nWHERE\n"
                             "   ((CDOPERADOR = :P_CDOPERADOR) OR ('T' = :P_TCDOPERADOR)) AND\n   IDOPERATIVO = 'A'\n"
                             "ORDER BY\n   CDOPERADOR";
    QString operResp = "SELECT\n   OP.CDOPERADOR, OP.NMOPERADOR\nFROM\n   OPERADOR OP, AUTGRUPOP AG, OPERGRUPOP OG\nWHERE\n"
                       "   ((OP.CDOPERADOR  = :P_CDOPERADOR) OR (:P_TCDOPERADOR = 'T')) AND\n   (AG.IDAUTGRUPOP = 'PROP'       ) AND\n"
                       "   (AG.CDGRUPOPER  = OG.CDGRUPOPER) AND\n   (OP.CDOPERADOR  = OG.CDOPERADOR)\nORDER BY CDOPERADOR";
    // SQLite matches an ORDER BY name against the joined tables, not the result columns, so
    // the bare name is ambiguous there (both OPERADOR and OPERGRUPOP carry it).
    if (db().dialect() == Dialect::Sqlite) operResp.replace("ORDER BY CDOPERADOR", "ORDER BY OP.CDOPERADOR");
    const QString cliente = "SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,\n       NRMESREAJCLIE, NMRAZSOCCLIE\n"
                            "  FROM CLIENTE\n WHERE ((CDCLIENTE = :P_CDCLIENTE) OR ('T' = :P_TCDCLIENTE))\n ORDER BY NMFANTCLIE";
    const QString clieIns = " SELECT CDCLIENTE, NRINSJURCLIE, NMFANTCLIE, IDTPIJURCLIE,\n       NRMESREAJCLIE\n  FROM CLIENTE\n"
                            " WHERE (NRINSJURCLIE = :P_NRINSJURCLIE)\n ORDER BY NMFANTCLIE";
    const QString prospect = "SELECT NMFANTPROS, NRINSJURPROS, IDTPIJURPROS, CDPROSPECT, NMRAZSOCPROS\n  FROM PROSPECT\n"
                             " WHERE ((NRINSJURPROS = :P_NRINSJURPROS) OR ('T' = :P_TNRINSJURPROS))\n ORDER BY NMFANTPROS";
    const QString vdCliente = "SELECT CL.IDTPIJURCLIE, CL.NRINSJURCLIE, CL.CDCLIENTE, CL.NMFANTCLIE, CL.NMRAZSOCCLIE\n"
                              "FROM CLIENTE CL\nWHERE (CL.NRINSJURCLIE = :P_NRINSJURCLIE)\nAND (CL.IDTPIJURCLIE = :P_IDTPIJURCLIE)";
    const QString servico = "SELECT CDTIPOSERV, NMTIPOSERV FROM TIPOSERV WHERE ((:P_CDTIPOSERV = CDTIPOSERV) OR "
                            "(:P_TCDTIPOSERV = 'T')) ORDER BY CDTIPOSERV";
    const QString indexes = "SELECT\n   CDINDICE||CDTPINDICE AS CDCHAVE, CDTPINDICE,  IDPERVALOR, CDINDICE, \n"
                            "   SGINDICE, NMINDICE, DTULTATUINDI\nFROM \n   INDICE\nWHERE\n   %1\nORDER BY\n   CDINDICE";
    const QString indice = indexes.arg("((CDINDICE = :P_CDINDICE) OR ('T' = :P_TCDINDICE))");
    const QString verif = indexes.arg("(CDINDICE = :P_CDINDICE) AND (CDTPINDICE = :P_CDTPINDICE)");
    const QString filial = "SELECT\n   ED.CDFILIAL,\n   ED.DSEMAILFILI,\n   ED.CDSENHEMAILF,\n   ED.DSSMTPEMAILF,\n"
                           "   FI.NMFILIAL\nFROM\n   ENDEFILI ED, FILIAL FI\nWHERE\n    ED.CDFILIAL = :P_CDFILIAL\n"
                           "AND ED.IDTPENDEFILI = 'P'\nAND ED.CDFILIAL = FI.CDFILIAL";
    const QString sender = "SELECT NVLSTR(DSEMAILOPER, 'contratos@demo.local') AS DSEMAILOPER FROM OPERADOR "
                           "WHERE CDOPERADOR = :P_CDOPERADOR";
    // NVLSTR takes an empty text as it takes a null.
    const QString nvl = "SELECT NVLSTR(NULL, 'b') AS A, NVLSTR('', 'b') AS B, NVLSTR('a', 'b') AS C, NVLSTR(NMFANTCLIE, 'x') AS D "
                        "FROM CLIENTE WHERE CDCLIENTE = '11222333000181'";
    struct Case {
        const QString& sql;
        QVariantMap params;
        QStringList fields;
        QStringList rows;
    };
    const QString updated = QDateTime(kNow.date().addDays(-15), QTime(0, 0)).toString("dd/MM/yyyy");
    const Case cases[] = {
        {grupo, {{"P_CDOPERADOR", "VENDEDOR"}}, {"CDOPERADOR"}, {"VENDEDOR"}},
        {grupo, {{"P_CDOPERADOR", "ASSIST"}}, {"CDOPERADOR"}, {}},
        // The inactive operator is left out.
        {operSoli, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}, {"CDOPERADOR"}, {"ASSIST", "GERENTE", "VENDEDOR"}},
        {operSoli, {{"P_CDOPERADOR", "GERENTE"}, {"P_TCDOPERADOR", ""}}, {"NMOPERADOR"}, {"Gerente Comercial"}},
        {operResp, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", "T"}}, {"CDOPERADOR"}, {"GERENTE", "VENDEDOR"}},
        {operResp, {{"P_CDOPERADOR", "ASSIST"}, {"P_TCDOPERADOR", ""}}, {"CDOPERADOR"}, {}},
        {cliente, {{"P_CDCLIENTE", ""}, {"P_TCDCLIENTE", "T"}}, {"NMFANTCLIE"},
         {"Alfa Sistemas", "Beta Comércio", "Epsilon Serviços", "Gama Indústria", "Kappa Alimentos", "Maria Souza",
          "Pedro Almeida", "Theta Logística"}},
        {cliente, {{"P_CDCLIENTE", "66777888000136"}, {"P_TCDCLIENTE", ""}}, {"NRMESREAJCLIE"}, {"<null>"}},
        {clieIns, {{"P_NRINSJURCLIE", "12345678909"}}, {"IDTPIJURCLIE"}, {"F"}},
        {prospect, {{"P_NRINSJURPROS", ""}, {"P_TNRINSJURPROS", "T"}}, {"NMFANTPROS"},
         {"Delta Engenharia", "Iota Consultoria", "Lambda Educação", "Zeta Transportes"}},
        {prospect, {{"P_NRINSJURPROS", "77888999000127"}, {"P_TNRINSJURPROS", ""}}, {"NMFANTPROS"}, {"Delta Engenharia"}},
        {vdCliente, {{"P_NRINSJURCLIE", "11222333000181"}, {"P_IDTPIJURCLIE", "J"}}, {"NMFANTCLIE"}, {"Alfa Sistemas"}},
        {vdCliente, {{"P_NRINSJURCLIE", "11222333000181"}, {"P_IDTPIJURCLIE", "F"}}, {"NMFANTCLIE"}, {}},
        {servico, {{"P_CDTIPOSERV", ""}, {"P_TCDTIPOSERV", "T"}}, {"CDTIPOSERV"}, {"001", "002", "003", "004", "005"}},
        {servico, {{"P_CDTIPOSERV", "002"}, {"P_TCDTIPOSERV", ""}}, {"NMTIPOSERV"}, {"Treinamento de usuários"}},
        {indice, {{"P_CDINDICE", ""}, {"P_TCDINDICE", "T"}}, {"CDINDICE", "DTULTATUINDI"},
         {"0001|" + updated, "0001|" + updated, "0002|" + updated, "0003|" + updated, "0004|" + updated}},
        {verif, {{"P_CDINDICE", "0002"}, {"P_CDTPINDICE", "M"}}, {"CDCHAVE"}, {"0002M"}},
        {verif, {{"P_CDINDICE", "0002"}, {"P_CDTPINDICE", "A"}}, {"CDCHAVE"}, {}},
        {filial, {{"P_CDFILIAL", "0002"}}, {"DSEMAILFILI", "NMFILIAL"}, {"comercial.rj@demo.local|Filial Rio de Janeiro"}},
        {sender, {{"P_CDOPERADOR", "VENDEDOR"}}, {"DSEMAILOPER"}, {"vendedor@demo.local"}},
        {sender, {{"P_CDOPERADOR", "ASSIST"}}, {"DSEMAILOPER"}, {"contratos@demo.local"}},
        {nvl, {}, {"A", "B", "C", "D"}, {"b|b|a|Alfa Sistemas"}},
    };
    for (const Case& c : cases) {
        const Packet p = db().query(c.sql, c.params);
        QStringList rows;
        for (int r = 0; r < p.rows.size(); ++r) rows << cot::testing::cells(p, r, c.fields).join('|');
        EXPECT_EQ(rows, c.rows) << c.sql.toStdString();
    }
    EXPECT_EQ(db().query(operSoli, {{"P_CDOPERADOR", ""}, {"P_TCDOPERADOR", ""}}).fields[0],
              (FieldDef{"CDOPERADOR", FieldType::String, 12}));
}

// Migrations and the seed run once only.
TEST_P(SchemaTest, MigrationsAndSeedRunOnceAndTheDemoProposalsCoverEveryStatusAndKind) {
    migrate(db());
    seedDemo(db());
    const auto count = [&](const char* sql) { return db().scalar(sql).toInt(); };
    EXPECT_EQ((QList<int>{count("SELECT COUNT(*) FROM SCHEMA_VERSION"), count("SELECT MAX(VERSION) FROM SCHEMA_VERSION"),
                          count("SELECT COUNT(*) FROM PROPOSTAFAS"), count("SELECT COUNT(*) FROM FILIAL")}),
              (QList<int>{latestSchemaVersion(), latestSchemaVersion(), 16, 2}));
    QByteArray text;
    proposalList(db(), "P.CDFILIAL = :F", {{"F", "0001"}}).writeTo(text);
    const Packet list = packetFromJsonText(text);
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
    EXPECT_EQ(count("SELECT MAX(C) FROM (SELECT COUNT(*) AS C FROM PROPOSTAFAS GROUP BY NRPROPOSFAS) V"), 3);
    for (const char* table : {"LINPPROP", "SISTLINPPROP", "VENCLINPPROP", "SERVPROP", "VENCSERVPROP", "TXTPROPFAS",
                              "OBSPROPFAS", "OBJSERVPROP", "SIMULAPROP", "SIMULALINP", "LINPCLIE", "COBRPROP"})
        EXPECT_GT(db().scalar(QString("SELECT COUNT(*) FROM %1").arg(table)).toInt(), 0) << table;
    // Demo passwords follow the stored form the sign-in checks.
    EXPECT_TRUE(db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'GERENTE'").toString()
                    .startsWith("sha256:"));
}

// Every demo schedule passes the screen's sum check, and every demo package is its
// services, so the first edit of a demo proposal is not refused for what the demo wrote.
TEST_P(SchemaTest, DemoSchedulesAddUpToTheirLineAndPackageTotals) {
    const long double rate = db().scalar("SELECT VRTXJUROSLICUSO FROM PARAMPROP").toDouble();
    int schedules[2] = {0, 0};
    const auto check = [&](int kind, const QString& sql, const QVariantMap& key, long double total) {
        std::vector<double> values;
        for (const QVariantList& row : db().query(sql, key).rows) values.push_back(row[0].toDouble());
        if (values.empty()) return;
        ++schedules[kind];
        EXPECT_TRUE(scheduleAddsUp(values, total, rate))
            << key.value("N").toString().toStdString() << " " << key.value("L").toString().toStdString() << ": "
            << values.size() << " parcelas para " << static_cast<double>(scheduleSum(total, rate, int(values.size())));
    };
    const Packet lines = db().query("SELECT NRPROPOSFAS, NRVERPROPFAS, CDLINPPROP, VRLICENCUSOPROP, VRDESLICUSOPROP, "
                                    "QTMINIMAFATPROP FROM LINPPROP");
    for (int r = 0; r < lines.rows.size(); ++r)
        check(0, "SELECT VRVELUSOPEDP FROM VENCLINPPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V AND CDLINPPROP = :L",
              {{"N", lines.value(r, "NRPROPOSFAS")}, {"V", lines.value(r, "NRVERPROPFAS")}, {"L", lines.value(r, "CDLINPPROP")}},
              (static_cast<long double>(lines.value(r, "VRLICENCUSOPROP").toDouble()) -
               lines.value(r, "VRDESLICUSOPROP").toDouble()) * lines.value(r, "QTMINIMAFATPROP").toDouble());
    const Packet packages = db().query(
        "SELECT NRPROPOSFAS, NRVERPROPFAS, VRPACOTESERV FROM PROPOSTAFAS WHERE IDTIPOCOBRSERV = 'P'");
    for (int r = 0; r < packages.rows.size(); ++r) {
        const QVariantMap key{{"N", packages.value(r, "NRPROPOSFAS")}, {"V", packages.value(r, "NRVERPROPFAS")}};
        const long double package = packages.value(r, "VRPACOTESERV").toDouble();
        long double services = 0;
        for (const QVariantList& s :
             db().query("SELECT QTSERVPROP, VRDEHORAPROP FROM SERVPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V", key).rows)
            services += static_cast<long double>(s[0].toDouble()) * s[1].toDouble();
        EXPECT_TRUE(sameMoney(services, package)) << key.value("N").toString().toStdString();
        check(1, "SELECT VRVENCSERVPROP FROM VENCSERVPROP WHERE NRPROPOSFAS = :N AND NRVERPROPFAS = :V", key, package);
    }
    EXPECT_GT(schedules[0], 10);
    EXPECT_GE(schedules[1], 2);
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

TEST_P(Upgrade, TheFirstSchemaIsBroughtUpToDateKeepingItsRegisters) {
    migrate(db(), 1);
    db().exec("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz')");
    db().exec("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSHASHSENHA) VALUES ('ANTIGO1', 'Operador', 'A', "
              "'sha256:s:" + QByteArray(64, 'a') + "')");
    db().exec("INSERT INTO OPERFILI (CDOPERADOR, CDFILIAL) VALUES ('ANTIGO1', '0001')");
    const auto before = rowsPerTable();

    migrate(db());
    EXPECT_EQ(db().scalar("SELECT MAX(VERSION) FROM SCHEMA_VERSION").toInt(), latestSchemaVersion());
    expectRowsKept(before, rowsPerTable());
    EXPECT_EQ(db().scalar("SELECT DSHASHSENHA FROM OPERADOR WHERE CDOPERADOR = 'ANTIGO1'").toString().left(9), "sha256:s:");
    EXPECT_EQ(rowsPerTable().at("SESSAO"), 0);
}

TEST_P(Upgrade, ADatabaseFullOfDataFromBeforeTheAcceptanceOperatorKeepsEveryRow) {
    migrate(db(), 4);
    seedDemo(db());
    // Proposals stored before new ones were given a language.
    db().exec("UPDATE PROPOSTAFAS SET IDIDIOMA = NULL WHERE NRPROPOSFAS = '00000000000000000002'");
    db().exec("UPDATE PROPOSTAFAS SET IDIDIOMA = '' WHERE NRPROPOSFAS = '00000000000000000003'");
    const auto before = rowsPerTable();
    ASSERT_GT(before.at("PROPOSTAFAS"), 10);
    migrate(db());
    expectRowsKept(before, rowsPerTable());
    // The accepted proposals of then have no acceptance operator: the new column is empty.
    // ...and those without a language take the default one, so their texts can be made again.
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM PROPOSTAFAS WHERE CDOPERACEITE IS NOT NULL OR IDIDIOMA IS NULL "
                          "OR IDIDIOMA <> 'POR'").toInt(), 0);
}

TEST_P(Upgrade, ANewerDatabaseIsRefusedAndLeftAsItIs) {
    migrate(db());
    db().exec("INSERT INTO SCHEMA_VERSION (VERSION, DSVERSION) VALUES (:V, 'futura')", {{"V", latestSchemaVersion() + 1}});
    const auto before = rowsPerTable();
    try {
        migrate(db());
        ADD_FAILURE() << "migrated a newer database";
    } catch (const SchemaTooNew& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QString("O banco está na versão de esquema %1, mais nova que a deste programa (%2): atualize o programa.")
                      .arg(latestSchemaVersion() + 1)
                      .arg(latestSchemaVersion()));
    }
    EXPECT_EQ(rowsPerTable(), before);
}

// History rows written before each row kept its version's branch and operators: those of a
// version stored take it as stored, since its last deletion; those of an earlier life of the
// key, or of a deleted version, the branch their own rows recorded and no operators; the
// rest nothing (read by nobody through the server).
TEST_P(Upgrade, HistoryRowsWrittenBeforeKeepWhatIsKnownOfTheirVersion) {
    migrate(db(), 13);
    seedDemo(db());
    const auto store = [&](int n, int minute, const char* table, const char* op, const char* field, const QVariant& after) {
        db().exec("INSERT INTO HISTPROP (NRPROPOSFAS, NRVERPROPFAS, DTHIST, NRSEQHIST, IDOPERHIST, NMTABELA, NMCAMPO, VLNOVO) "
                  "VALUES (:N, '01', :D, 1, :O, :T, :F, :A)",
                  {{"N", nr(n)}, {"D", QDateTime(QDate(2026, 11, 1), QTime(9, minute))}, {"O", op}, {"T", table}, {"F", field},
                   {"A", after}});
    };
    store(2, 0, "OBSPROPFAS", "A", "TXOBSPROPFAS", "nova");
    // 9/01's earlier life, in branch 0002, deleted; then its present one.
    store(9, 0, "PROPOSTAFAS", "I", "CDFILIAL", "0002");
    store(9, 1, "PROPOSTAFAS", "A", "DSREFEPROPOSFAS", "R$ 1,00");
    store(9, 2, "PROPOSTAFAS", "E", "NRPROPOSFAS", QVariant());
    store(9, 3, "PROPOSTAFAS", "A", "DSREFEPROPOSFAS", "R$ 2,00");
    store(99, 0, "OBSPROPFAS", "I", "TXOBSPROPFAS", "sem versão");
    migrate(db());
    const auto kept = [&](int n) {
        return cot::testing::rowTexts(db(), "SELECT CDFILIAL, CDOPERINCL, CDOPERSOLI FROM HISTPROP WHERE NRPROPOSFAS = :N ORDER BY DTHIST",
                                      {{"N", nr(n)}});
    };
    EXPECT_EQ(kept(2) + kept(99), QStringList({"0001|VENDEDOR|VENDEDOR", "<null>|<null>|<null>"}));
    EXPECT_EQ(kept(9), QStringList({"0002|<null>|<null>", "0002|<null>|<null>", "0002|<null>|<null>", "0001|VENDEDOR|VENDEDOR"}));
}

COT_ON_EVERY_ENGINE(Upgrade);
COT_ON_EVERY_ENGINE(SchemaTest);

}  // namespace
