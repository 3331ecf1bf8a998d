// The PostgreSQL account scripts/pg_host_reader.sh makes for the desktop's own queries:
// through it the host reads branches, operators and proposals, but never the password
// hashes, the sessions or the failed sign-ins, and writes nothing even when it asks for
// read-write transactions itself.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

#include "base/errors.h"
#include "services/local_query.h"
#include "support/qt_printers.h"
#include "support/test_server.h"

using namespace cot;
using cot::testing::Backend;
using cot::testing::TestServer;

namespace {

const char* const kInsufficientPrivilege = "42501";

QString scriptPath() {
    // This file lives in <source>/tests/server.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../../scripts/pg_host_reader.sh"));
}

struct ScriptRun {
    int exitCode = -1;
    QString output;
};

ScriptRun runScript(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("bash"), QStringList{scriptPath()} + args);
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
class ScratchRole {
public:
    explicit ScratchRole(const QString& kind = QStringLiteral("leitor"))
        : name_(QStringLiteral("cot_%1_%2_%3").arg(kind).arg(QCoreApplication::applicationPid())
                    .arg(QRandomGenerator::global()->bounded(1000000))) {}
    ~ScratchRole() {
        QProcess::execute(QStringLiteral("psql"), {"-X", "-q", "-d", qEnvironmentVariable("COT_TEST_PG"), "-c",
                                                   QStringLiteral("DROP ROLE IF EXISTS %1").arg(name_)});
    }
    const QString& name() const { return name_; }

private:
    QString name_;
};

// The SQLSTATE of a statement run directly on the host connection; empty when it ran.
QString refusal(const QString& sql) {
    QSqlQuery q(HostDatabase::database());
    if (q.exec(sql)) return {};
    return q.lastError().nativeErrorCode();
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
    const ScriptRun run = runScript(args);
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(said)) << run.output.toStdString();
}

class HostReaderRoleTest : public ::testing::Test {
protected:
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
    // Runs the script for `role` (unless it ran already) and opens the host's connection
    // through the account it made.
    void openAsReader(const QString& role, const QString& password, bool run = true) {
        const ScriptRun done = run ? runScript({admin_, role, password}) : ScriptRun{0, {}};
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
    ScriptRun run = runScript({admin_, role_->name(), password});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(db().scalar("SELECT rolpassword IS NOT NULL AND rolcanlogin FROM pg_authid WHERE rolname = :R",
                            {{"R", role_->name()}}).toBool());

    // Privileges given by hand before a run do not survive it.
    QStringList byHand{QStringLiteral("GRANT SELECT, UPDATE ON OPERADOR TO %1"), QStringLiteral("GRANT INSERT ON FILIAL TO %1")};
    if (sessions) byHand << QStringLiteral("GRANT SELECT ON SESSAO, FALHAENTRADA TO %1");
    for (const QString& grant : byHand) db().exec(grant.arg(role_->name()));
    run = runScript({admin_, role_->name()});  // the password it has stays
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    openAsReader(role_->name(), password, false);

    // The host's own queries: the operator's branches (sign-in), his name, a proposal.
    EXPECT_EQ(rows("SELECT O.CDFILIAL, F.NMFILIAL FROM OPERFILI O, FILIAL F "
                   "WHERE O.CDOPERADOR = :P_OPER AND F.CDFILIAL = O.CDFILIAL", "P_OPER", "VENDEDOR"), 2);
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR, IDOPERATIVO, DSEMAILOPER FROM OPERADOR WHERE CDOPERADOR = :P_OPER",
                   "P_OPER", "VENDEDOR"), 1);
    EXPECT_EQ(rows("SELECT NRPROPOSFAS, DSREFEPROPOSFAS FROM PROPOSTAFAS WHERE NRPROPOSFAS = :P_NR", "P_NR",
                   "00000000000000000002"), 1);

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
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = '9999'").toInt(), 0);
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM OPERADOR WHERE DSHASHSENHA IS NULL").toInt(), withoutPassword);

    // A privilege the script cannot take back (given to everybody) fails the run.
    db().exec("GRANT SELECT ON OPERADOR TO PUBLIC");
    expectFailedRun({admin_, role_->name()}, "operador");
}

// Creating is writing: whatever the account was given to create with is taken back, and a
// privilege held by PUBLIC (which the script will not take from every role) fails the run
// with the statement the administrator has to run, changing nothing.
TEST_F(HostReaderRoleTest, TheAccountCanCreateNothing) {
    const ScratchRole& refused = *other_;
    const QString database = db().scalar("SELECT current_database()").toString();
    db().exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role_->name()));
    db().exec(QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(role_->name()));
    db().exec(QStringLiteral("GRANT CREATE ON DATABASE \"%1\" TO %2").arg(database, role_->name()));

    openAsReader(role_->name(), "leitor");
    ASSERT_TRUE(refusal("SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE").isEmpty());
    expectRefused({"CREATE TABLE public.intrusa (a integer)", "CREATE VIEW public.intrusa AS SELECT 1 AS a",
                   "CREATE FUNCTION public.intrusa() RETURNS integer LANGUAGE sql AS 'SELECT 1'", "CREATE SCHEMA intruso"});
    HostDatabase::close();

    db().exec("GRANT CREATE ON SCHEMA public TO PUBLIC");  // the default before PostgreSQL 15
    expectFailedRun({admin_, refused.name(), "x"}, "REVOKE CREATE ON SCHEMA public FROM PUBLIC;");
    EXPECT_EQ(db().scalar("SELECT COUNT(*) FROM pg_roles WHERE rolname = :R", {{"R", refused.name()}}).toInt(), 0);
    // An existing account is left as it was, not half redone (the grant a run takes back stays).
    db().exec(QStringLiteral("GRANT INSERT ON FILIAL TO %1").arg(role_->name()));
    EXPECT_NE(runScript({admin_, role_->name()}).exitCode, 0);
    EXPECT_TRUE(db().scalar("SELECT has_table_privilege(:R, 'filial', 'INSERT')", {{"R", role_->name()}}).toBool());

    // Done as told, the run goes through.
    db().exec("REVOKE CREATE ON SCHEMA public FROM PUBLIC");
    const ScriptRun run = runScript({admin_, refused.name(), "x"});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
}

// Any column named like a secret is left out of the grants, in tables and views alike; the
// branch's mail password, enciphered with the desktops' key, is the one the desktop needs.
TEST_F(HostReaderRoleTest, ColumnsNamedLikeSecretsAreNeverReadable) {
    db().exec("ALTER TABLE FILIAL ADD COLUMN DSTOKENAPI VARCHAR(40)");
    db().exec("UPDATE FILIAL SET DSTOKENAPI = 'segredo'");
    db().exec("CREATE VIEW VWOPERSENHA AS SELECT CDOPERADOR, NMOPERADOR, DSHASHSENHA FROM OPERADOR");

    openAsReader(role_->name(), "leitor");
    EXPECT_GT(rows("SELECT CDFILIAL, NMFILIAL FROM FILIAL"), 0);
    expectRefused({"SELECT DSTOKENAPI FROM FILIAL", "SELECT * FROM FILIAL", "SELECT DSHASHSENHA FROM VWOPERSENHA"});
    EXPECT_EQ(rows("SELECT CDOPERADOR, NMOPERADOR FROM VWOPERSENHA"), rows("SELECT CDOPERADOR FROM OPERADOR"));
    EXPECT_TRUE(refusal("SELECT CDFILIAL, DSEMAILFILI, CDSENHEMAILF, DSSMTPEMAILF FROM ENDEFILI").isEmpty());
    HostDatabase::close();

    // Given to everybody, a secret column fails the run.
    db().exec("GRANT SELECT ON VWOPERSENHA TO PUBLIC");
    expectFailedRun({admin_, role_->name()}, "vwopersenha");
}

// The server's own account (owner of the tables) named by mistake: taking its privileges
// back would stop the server, so the run is refused and changes nothing.
TEST_F(HostReaderRoleTest, TheOwnerOfTheTablesIsNeverMadeAReader) {
    const QString owner = role_->name();
    db().exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(owner));
    db().exec(QStringLiteral("ALTER TABLE FILIAL OWNER TO %1").arg(owner));

    EXPECT_NE(runScript({admin_, owner, "x"}).exitCode, 0);
    EXPECT_TRUE(db().scalar("SELECT R.rolconfig IS NULL AND A.rolpassword IS NULL AND "
                            "has_table_privilege(:R, 'filial', 'INSERT') FROM pg_roles R "
                            "JOIN pg_authid A ON A.oid = R.oid WHERE R.rolname = :R", {{"R", owner}}).toBool());
}

TEST(HostReaderScript, RefusesARoleNameThatIsNotAPlainName) {
    const ScriptRun run = runScript({"postgresql://127.0.0.1:1/nada", "leitor; DROP TABLE OPERADOR", "x"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.output.contains("nome de papel inválido")) << run.output.toStdString();
}

}  // namespace
