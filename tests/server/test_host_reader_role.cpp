// The PostgreSQL account scripts/pg_host_reader.sh makes for the desktop's own queries:
// through it the host reads branches, operators and proposals, but never the password
// hashes, the sessions or the failed sign-ins, and writes nothing even when it asks for
// read-write transactions itself.
#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

#include "base/errors.h"
#include "services/local_query.h"
#include "support/qt_printers.h"
#include "support/shell_process.h"
#include "support/test_server.h"

using namespace cot;
using namespace cot::testing;

namespace {

const char* const kInsufficientPrivilege = "42501";

// The script's run: its exit code, and in `output` all it said.
ShellRun runScript(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("bash"), QStringList{cot::testing::sourcePath("scripts/pg_host_reader.sh")} + args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(5000);
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

// Roles belong to the whole PostgreSQL server: each test makes its own and drops it at the
// end, after its database is gone.
struct ScratchRole {
    const QString name = QStringLiteral("cot_leitor_%1_%2").arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->bounded(1000000));
    ~ScratchRole() {
        QProcess::execute(QStringLiteral("psql"), {"-X", "-q", "-d", qEnvironmentVariable("COT_TEST_PG"), "-c",
                                                   QStringLiteral("DROP ROLE IF EXISTS %1").arg(name)});
    }
};

// The SQLSTATE of a statement run directly on the host connection; empty when it ran.
QString refusal(const QString& sql) {
    QSqlQuery q(HostDatabase::database());
    return q.exec(sql) ? QString() : q.lastError().nativeErrorCode();
}

int rows(const QString& sql, const QString& param = {}, const QVariant& value = {}) {
    TADOIBQuery q;
    q.setSql(sql);
    if (!param.isEmpty()) q.setParam(param, value);
    q.open();
    return q.recordCount();
}

// Statements the reader's connection must be refused, each for want of privilege.
void expectRefused(std::initializer_list<const char*> statements) {
    for (const char* sql : statements) EXPECT_EQ(refusal(sql), kInsufficientPrivilege) << sql;
}

// A run the script must refuse, saying `said`.
void expectFailedRun(const QStringList& args, const QString& said) {
    const ShellRun run = runScript(args);
    EXPECT_TRUE(run.exitCode != 0 && run.output.contains(said)) << run.output.toStdString();
}

struct HostReaderRoleTest : ::testing::Test {
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "cot_server_test_host_reader_role";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }
    void SetUp() override {
        if (!cot::testing::ScratchPostgres::available()) GTEST_SKIP() << "COT_TEST_PG not set";
        if (QStandardPaths::findExecutable(QStringLiteral("psql")).isEmpty()) GTEST_SKIP() << "psql not installed";
        role_.emplace();
        other_.emplace();
        server_ = std::make_unique<TestServer>(cot::testing::TestServerOptions{.backend = Backend::Postgres, .seed = true});
        admin_ = server_->databaseUrl();
    }
    void TearDown() override { HostDatabase::close(); }

    server::Database& db() { return server_->db(); }
    // Runs the script for `role` (giving it `password`, or leaving the one it has) and opens
    // the host's connection through the account it made.
    void openAsReader(const QString& role, const QString& password, bool givePassword = true) {
        const ShellRun done = runScript(givePassword ? QStringList{admin_, role, password} : QStringList{admin_, role});
        ASSERT_EQ(done.exitCode, 0) << done.output.toStdString();
        QUrl reader(admin_);
        reader.setUserName(role);
        reader.setPassword(password);
        HostDatabase::open(reader.toString());
    }

    std::optional<ScratchRole> role_, other_;  // dropped after the server's database
    std::unique_ptr<TestServer> server_;
    QString admin_;
};

TEST_F(HostReaderRoleTest, TheAccountReadsWhatTheHostNeedsAndNoSecretAndWritesNothing) {
    const bool sessions = db().scalar("SELECT to_regclass('public.sessao') IS NOT NULL").toBool();
    const int withoutPassword = db().scalar("SELECT COUNT(*) FROM OPERADOR WHERE DSHASHSENHA IS NULL").toInt();

    const QString password = QStringLiteral("só leitura, 'aspas' e \\barra");
    const ShellRun run = runScript({admin_, role_->name, password});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(db().scalar("SELECT rolpassword IS NOT NULL AND rolcanlogin FROM pg_authid WHERE rolname = :R",
                            {{"R", role_->name}})
                    .toBool());

    // Privileges given by hand before a run do not survive it.
    QStringList byHand{QStringLiteral("GRANT SELECT, UPDATE ON OPERADOR TO %1"), QStringLiteral("GRANT INSERT ON FILIAL TO %1")};
    if (sessions) byHand << QStringLiteral("GRANT SELECT ON SESSAO, FALHAENTRADA TO %1");
    for (const QString& grant : byHand) db().exec(grant.arg(role_->name));
    openAsReader(role_->name, password, false);  // run again: the password it has stays

    // The host's own queries: the operator's branches (sign-in), his name, a proposal.
    EXPECT_EQ(rows("SELECT O.CDFILIAL, F.NMFILIAL FROM OPERFILI O, FILIAL F "
                   "WHERE O.CDOPERADOR = :P_OPER AND F.CDFILIAL = O.CDFILIAL", "P_OPER", "VENDEDOR"), 2);
    EXPECT_EQ(
        std::pair(
            rows("SELECT CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSEMAILOPER FROM OPERADOR WHERE CDOPERADOR = :P_OPER",
                 "P_OPER", "VENDEDOR"),
            rows("SELECT NRPROPOSFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :P_NR", "P_NR",
                 "00000000000000000002")),
        std::pair(1, 1));

    // Secrets: through the host's query object and straight on the connection.
    EXPECT_THROW(rows("SELECT DSHASHSENHA FROM OPERADOR"), UserError);
    expectRefused({"SELECT DSHASHSENHA FROM OPERADOR", "SELECT * FROM OPERADOR"});
    if (sessions) expectRefused({"SELECT * FROM SESSAO", "SELECT COUNT(*) FROM FALHAENTRADA"});

    // Writes, even after the account itself asks for read-write transactions.
    ASSERT_TRUE(refusal("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE").isEmpty());
    expectRefused({"INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('9999', 'Invasora')",
                   "UPDATE PROPOSTAFAS SET DSREFEPROPOSFAS = 'x'", "UPDATE OPERADOR SET DSHASHSENHA = NULL",
                   "DELETE FROM OPERFILI"});
    HostDatabase::close();
    EXPECT_EQ(std::pair(db().scalar("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = '9999'").toInt(),
                        db().scalar("SELECT COUNT(*) FROM OPERADOR WHERE DSHASHSENHA IS NULL").toInt()), std::pair(0, withoutPassword));

    // A privilege the script cannot take back (given to everybody) fails the run.
    db().exec("GRANT SELECT ON OPERADOR TO PUBLIC");
    expectFailedRun({admin_, role_->name}, "operador");
}

// Creating is writing: whatever the account was given to create with is taken back, and a
// privilege held by PUBLIC (which the script will not take from every role) fails the run
// with the statement the administrator has to run, changing nothing.
TEST_F(HostReaderRoleTest, TheAccountCanCreateNothing) {
    for (const QString& sql : {QString("CREATE ROLE %1 LOGIN"), QString("GRANT CREATE ON SCHEMA public TO %1"),
                               "GRANT CREATE ON DATABASE \"" + db().scalar("SELECT current_database()").toString() + "\" TO %1"})
        db().exec(sql.arg(role_->name));

    openAsReader(role_->name, "leitor");
    ASSERT_TRUE(refusal("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE").isEmpty());
    expectRefused({"CREATE TABLE public.intrusa (a integer)", "CREATE VIEW public.intrusa AS SELECT 1 AS a",
                   "CREATE FUNCTION public.intrusa() RETURNS integer LANGUAGE sql AS 'SELECT 1'", "CREATE SCHEMA intruso"});
    HostDatabase::close();

    db().exec("GRANT CREATE ON SCHEMA public TO PUBLIC");  // the default before PostgreSQL 15
    expectFailedRun({admin_, other_->name, "x"}, "REVOKE CREATE ON SCHEMA public FROM PUBLIC;");
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM pg_roles WHERE rolname = :R", {{"R", other_->name}}).toInt(), 0);
    // An existing account is left as it was, not half redone (the grant a run takes back stays).
    db().exec(QStringLiteral("GRANT INSERT ON FILIAL TO %1").arg(role_->name));
    EXPECT_NE(runScript({admin_, role_->name}).exitCode, 0);
    EXPECT_TRUE(db().scalar("SELECT has_table_privilege(:R, 'filial', 'INSERT')", {{"R", role_->name}}).toBool());

    // Done as told, the run goes through.
    db().exec("REVOKE CREATE ON SCHEMA public FROM PUBLIC");
    const ShellRun run = runScript({admin_, other_->name, "x"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// Any column named like a secret is left out of the grants, in tables and views alike; the
// branch's mail password, enciphered with the desktops' key, is the one the desktop needs.
TEST_F(HostReaderRoleTest, ColumnsNamedLikeSecretsAreNeverReadable) {
    for (const char* sql : {"ALTER TABLE FILIAL ADD COLUMN DSTOKENAPI VARCHAR(40)", "UPDATE FILIAL SET DSTOKENAPI = 'segredo'",
                            "CREATE VIEW VWOPERSENHA AS SELECT CDOPERADOR, NMOPERADOR, DSHASHSENHA FROM OPERADOR"})
        db().exec(sql);

    openAsReader(role_->name, "leitor");
    EXPECT_GT(rows("SELECT CDFILIAL, NMFILIAL FROM FILIAL"), 0);
    expectRefused({"SELECT DSTOKENAPI FROM FILIAL", "SELECT * FROM FILIAL", "SELECT DSHASHSENHA FROM VWOPERSENHA"});
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR FROM VWOPERSENHA"), rows("SELECT CDOPERADOR FROM OPERADOR"));
    EXPECT_TRUE(refusal("SELECT CDFILIAL, DSEMAILFILI, CDSENHEMAILF, DSSMTPEMAILF FROM ENDEFILI").isEmpty());
    HostDatabase::close();

    // Given to everybody, a secret column fails the run.
    db().exec("GRANT SELECT ON VWOPERSENHA TO PUBLIC");
    expectFailedRun({admin_, role_->name}, "vwopersenha");
}

// The server's own account (owner of the tables) named by mistake: taking its privileges
// back would stop the server, so the run is refused and changes nothing.
TEST_F(HostReaderRoleTest, TheOwnerOfTheTablesIsNeverMadeAReader) {
    const QString owner = role_->name;
    for (const char* sql : {"CREATE ROLE %1 LOGIN", "ALTER TABLE FILIAL OWNER TO %1"}) db().exec(QString(sql).arg(owner));

    EXPECT_NE(runScript({admin_, owner, "x"}).exitCode, 0);
    EXPECT_TRUE(db().scalar("SELECT R.rolconfig IS NULL AND A.rolpassword IS NULL AND "
                            "has_table_privilege(:R, 'filial', 'INSERT') FROM pg_roles R "
                            "JOIN pg_authid A ON A.oid = R.oid WHERE R.rolname = :R", {{"R", owner}}).toBool());
}

TEST(HostReaderScript, RefusesARoleNameThatIsNotAPlainName) {
    const ShellRun run = runScript({"postgresql://127.0.0.1:1/nada", "leitor; DROP TABLE OPERADOR", "x"});
    EXPECT_TRUE(run.exitCode == 2 && run.output.contains("nome de papel inválido")) << run.output.toStdString();
}

}  // namespace
